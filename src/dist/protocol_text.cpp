#include "dist/protocol_text.h"

namespace dist {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEscape = '\x10';  // DLE
constexpr unsigned char kEscapeFlip = 0x40;

unsigned char Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// Lead bytes of code page 932, the code page peers exchange: fixed, so that
// a Linux sender protects a Windows reader too.
bool IsNetworkLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes in one character at `i`, as a double-byte-aware reader takes them.
std::size_t CharacterLength(std::string_view text, std::size_t i) {
  return IsNetworkLeadByte(Byte(text, i)) && i + 1 < text.size() && Byte(text, i + 1) >= 0x40 ? 2 : 1;
}

bool IsLoneLeadBeforeQuote(std::string_view text, std::size_t i) {
  return IsNetworkLeadByte(Byte(text, i)) && i + 1 < text.size() && text[i + 1] == '"';
}

// The bytes exact form escapes: those plain form cannot carry, and the
// escape byte itself. A final backslash is escaped even as a trail byte,
// for readers that are not double-byte aware.
bool NeedsEscape(std::string_view text, std::size_t i, bool startsCharacter) {
  if (i + 1 == text.size() && text[i] == '\\') return true;
  if (!startsCharacter) return false;
  const char c = text[i];
  return c == '\0' || c == kEscape || (c == kLf && i > 0 && text[i - 1] == kCr) || IsLoneLeadBeforeQuote(text, i);
}

void AppendQuoted(std::string& out, char c) {
  if (c == '"') out.push_back('\\');
  out.push_back(c);
}

bool IsWordByte(unsigned char c) {
  if (c >= 0x80) return true;
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.';
}

}  // namespace

bool TravelsPlain(std::string_view text, bool folds) {
  if (!text.empty() && text.back() == '\\') return false;
  for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i)) {
    const char c = text[i];
    const bool crLf = c == kCr && i + 1 < text.size() && text[i + 1] == kLf;
    if (c == '\0' || IsLoneLeadBeforeQuote(text, i)) return false;
    if (folds && c == kCr && (!crLf || (i + 2 < text.size() && text[i + 2] == kLf))) return false;
    if (!folds && crLf) return false;
  }
  return true;
}

std::string QuotePlain(std::string_view text, bool folds) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (folds && text[i] == kCr && i + 1 < text.size() && text[i + 1] == kLf) {
      out.push_back(kCr);
      ++i;
      continue;
    }
    AppendQuoted(out, text[i]);
  }
  out.push_back('"');
  return out;
}

std::string QuoteExact(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t end = i + CharacterLength(text, i);
    for (std::size_t k = i; k < end; ++k) {
      if (NeedsEscape(text, k, k == i)) {
        out.push_back(kEscape);
        out.push_back(static_cast<char>(Byte(text, k) ^ kEscapeFlip));
      } else {
        AppendQuoted(out, text[k]);
      }
    }
    i = end;
  }
  out.push_back('"');
  return out;
}

std::string ReadPlain(std::string_view value, bool folds) {
  if (!folds) return std::string(value);
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    out.push_back(c);
    if (c == kCr) out.push_back(kLf);
  }
  return out;
}

std::string ReadExact(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == kEscape && i + 1 < value.size()) {
      out.push_back(static_cast<char>(Byte(value, ++i) ^ kEscapeFlip));
    } else {
      out.push_back(value[i]);
    }
  }
  return out;
}

std::string FormNumber(int value, bool exact) {
  std::string text = exact && value >= 0 && value <= 9 ? "0" : "";
  text += std::to_string(value);
  return text;
}

bool IsExactFormNumber(std::string_view argument) {
  return argument.size() == 2 && argument[0] == '0' && argument[1] >= '0' && argument[1] <= '9';
}

bool IsBareWord(std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (!IsWordByte(Byte(name, i))) return false;
  }
  return true;
}

std::string NameArgument(std::string_view name) {
  return IsBareWord(name) ? std::string(name) : QuotePlain(name, false);
}

}  // namespace dist
