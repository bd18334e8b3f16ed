#include "dist/protocol_text.h"

#include <algorithm>
#include <array>

namespace dist {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEscape = '\x10';  // DLE
constexpr unsigned char kEscapeFlip = 0x40;

constexpr unsigned char Byte(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// Lead bytes of code page 932, the code page peers exchange: fixed, so that
// a Linux sender protects a Windows reader too.
constexpr bool IsNetworkLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

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

// The next position of one byte value from a moving start, each part of
// the text searched once.
class NextByte {
 public:
  NextByte(std::string_view text, char c) : text_(text), c_(c), at_(Find(0)) {}
  std::size_t From(std::size_t i) {
    if (at_ < i) at_ = Find(i);
    return at_;
  }

 private:
  std::size_t Find(std::size_t i) const { return std::min(text_.find(c_, i), text_.size()); }
  std::string_view text_;
  char c_;
  std::size_t at_;
};

// Whether the lead byte at `i` starts a character. A byte below the lead
// range always ends one, so only the run of lead bytes before `i` counts:
// they pair off from its start.
bool StartsCharacterAfterRun(std::string_view text, std::size_t i) {
  std::size_t run = 0;
  while (run < i && IsNetworkLeadByte(Byte(text, i - 1 - run))) ++run;
  return run % 2 == 0;
}

// One pass over `text` from one special byte (double quote, CR, NUL) to the
// next: writes the plain form into `out` when there is one, and tells
// whether every peer reads it back unchanged. With `stopEarly` it returns
// at the first byte that cannot travel plain, `out` then holding a part.
// With `split` (folded texts) it ends after the first CR LF that another LF
// follows, and says where.
bool ScanPlain(std::string_view text, bool folds, std::string* out, bool stopEarly, std::size_t* split = nullptr) {
  bool plain = true;
  NextByte quote(text, '"');
  NextByte cr(text, kCr);
  NextByte nul(text, '\0');
  for (std::size_t i = 0;;) {
    const std::size_t at = std::min({quote.From(i), cr.From(i), nul.From(i)});
    if (out != nullptr) out->append(text.substr(i, at - i));
    if (at == text.size()) return plain && (text.empty() || text.back() != '\\');
    const char c = text[at];
    bool blocked = true;  // a NUL
    i = at + 1;
    if (c == '"') {
      blocked = at > 0 && IsNetworkLeadByte(Byte(text, at - 1)) && StartsCharacterAfterRun(text, at - 1);
      if (out != nullptr) out->push_back('\\');
    } else if (c == kCr) {
      const bool crLf = i < text.size() && text[i] == kLf;
      if (folds) {
        const bool breaks = crLf && i + 1 < text.size() && text[i + 1] == kLf;
        if (breaks && split != nullptr) {
          if (out != nullptr) out->push_back(c);
          *split = i + 1;
          return plain;
        }
        blocked = !crLf || breaks;
        if (crLf) ++i;
      } else {
        blocked = crLf;
      }
    }
    if (out != nullptr) out->push_back(c);
    if (blocked) {
      plain = false;
      if (stopEarly) return false;
    }
  }
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

bool TravelsPlain(std::string_view text, bool folds) { return ScanPlain(text, folds, nullptr, true); }

std::string QuotePlain(std::string_view text, bool folds) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  ScanPlain(text, folds, &out, false);
  out.push_back('"');
  return out;
}

bool AppendPlain(std::string& out, std::string_view text, bool folds, std::size_t* split) {
  out.push_back('"');
  if (!ScanPlain(text, folds, &out, true, split)) return false;
  out.push_back('"');
  return true;
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
  out.reserve(value.size() + value.size() / 16);
  for (std::size_t i = 0; i < value.size();) {
    const std::size_t cr = std::min(value.find(kCr, i), value.size());
    out.append(value.substr(i, cr - i));
    if (cr == value.size()) break;
    out.append("\r\n");
    i = cr + 1;
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
