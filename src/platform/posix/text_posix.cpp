#include "platform/text.h"

namespace platform {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 character at text[i], or 0.
size_t CharacterLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char first = byte(i);
  if (first < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    if (first == 0xE0) low = 0xA0;
    if (first == 0xED) high = 0x9F;  // no surrogates
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    if (first == 0xF0) low = 0x90;
    if (first == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string NarrowFromUtf8(std::string_view utf8) { return std::string(utf8); }

std::string Utf8FromNarrow(std::string_view narrow) {
  std::string utf8;
  utf8.reserve(narrow.size());
  for (size_t i = 0; i < narrow.size();) {
    const size_t length = CharacterLength(narrow, i);
    if (length == 0) {
      utf8 += kReplacement;
      ++i;
    } else {
      utf8.append(narrow.substr(i, length));
      i += length;
    }
  }
  return utf8;
}

}  // namespace platform
