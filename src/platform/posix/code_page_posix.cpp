#include "platform/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

constexpr unsigned char At(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// The bytes of the character at the front of `text` in `codePage`, for
// skipping one that cannot be converted: UTF-8 by its lead byte, the double-
// byte code pages by their lead-byte ranges (those of 932, 936, 949 and 950
// all begin at 0x81). Only bytes that can follow a lead byte count, so that
// a line end after a broken character is never skipped with it.
std::size_t CharacterLength(std::string_view text, int codePage) {
  const unsigned char lead = At(text, 0);
  if (codePage == kUtf8CodePage) {
    const std::size_t wanted = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    std::size_t length = 1;
    while (length < wanted && length < text.size() && (At(text, length) & 0xC0) == 0x80) ++length;
    return length;
  }
  const bool leads = lead >= 0x81 && lead != 0xFF && !(codePage == 932 && lead >= 0xA0 && lead <= 0xDF);
  return leads && text.size() > 1 && At(text, 1) >= 0x40 ? 2 : 1;
}

}  // namespace

std::string ConvertCodePage(std::string_view text, int from, int to) {
  if (from == to || IsAsciiText(text)) return std::string(text);
  const auto name = [](int codePage) {
    return codePage == kUtf8CodePage ? std::string("UTF-8") : "CP" + std::to_string(codePage);
  };
  const iconv_t converter = iconv_open(name(to).c_str(), name(from).c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string converted(text.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  std::size_t written = 0;
  while (inLeft > 0) {
    char* out = converted.data() + written;
    std::size_t outLeft = converted.size() - written;
    const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    written = converted.size() - outLeft;
    if (result != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      converted.resize(converted.size() * 2);
    } else {
      // No such character on the other side, or no character at all.
      const std::size_t skipped = CharacterLength(std::string_view(in, inLeft), from);
      in += skipped;
      inLeft -= skipped;
      if (written == converted.size()) converted.resize(converted.size() * 2);
      converted[written++] = '?';
    }
  }
  iconv_close(converter);
  converted.resize(written);
  return converted;
}

int NarrowCodePage() { return kUtf8CodePage; }

std::size_t IncompleteCharacterBytes(std::string_view text) { return IncompleteUtf8Bytes(text); }

}  // namespace platform
