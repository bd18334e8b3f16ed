#include "distributed/protocol_text.h"

#include <array>

#include "makefile/byte_runs.h"

namespace distributed {
namespace {

using makefile::CopyRun;

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

// Whether the lead byte at `i` starts a character. A byte below the lead
// range always ends one, so only the run of lead bytes before `i` counts:
// they pair off from its start.
bool StartsCharacterAfterRun(std::string_view text, std::size_t i) {
  std::size_t run = 0;
  while (run < i && IsNetworkLeadByte(Byte(text, i - 1 - run))) ++run;
  return run % 2 == 0;
}

// Room in `out` for `needed` bytes from `to`. Texts are written through a
// pointer; the string's size runs ahead of it (growing only where one byte
// becomes two) and is cut back to what was written at the end.
char* Room(std::string& out, char* to, std::size_t needed) {
  const auto at = static_cast<std::size_t>(to - out.data());
  if (out.size() - at < needed) out.resize(at + needed + needed / 8);
  return out.data() + at;
}

// One pass over `text` from one special byte (double quote, CR, NUL) to the
// next: writes the plain form into `out` when there is one, and tells
// whether every peer reads it back unchanged. With `stopEarly` it returns
// at the first byte that cannot travel plain, `out` then holding a part.
// With `split` (folded texts) it ends after the first CR LF that another LF
// follows, and says where.
bool ScanPlain(std::string_view text, bool folds, std::string* out, bool stopEarly, std::size_t* split = nullptr) {
  char* to = out != nullptr ? Room(*out, out->data() + out->size(), text.size()) : nullptr;
  const auto finish = [&](bool plain) {
    if (out != nullptr) out->resize(static_cast<std::size_t>(to - out->data()));
    return plain;
  };
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  bool plain = true;
  for (const char* from = begin;;) {
    const char* const at = CopyRun<false, '"', kCr, '\0'>(from, end, to);
    if (to != nullptr) to += at - from;
    if (at == end) return finish(plain && (text.empty() || text.back() != '\\'));
    const char c = *at;
    bool blocked = true;  // a NUL
    from = at + 1;
    if (c == '"') {
      const auto before = static_cast<std::size_t>(at - begin);
      blocked = before > 0 && IsNetworkLeadByte(Byte(text, before - 1)) && StartsCharacterAfterRun(text, before - 1);
      if (to != nullptr) {
        to = Room(*out, to, 2 + static_cast<std::size_t>(end - from));
        *to++ = '\\';
      }
    } else if (c == kCr) {
      const bool crLf = from != end && *from == kLf;
      if (folds) {
        const bool breaks = crLf && end - from > 1 && from[1] == kLf;
        if (breaks && split != nullptr) {
          if (to != nullptr) *to++ = c;
          *split = static_cast<std::size_t>(from + 1 - begin);
          return finish(plain);
        }
        blocked = !crLf || breaks;
        if (crLf) ++from;
      } else {
        blocked = crLf;
      }
    }
    if (to != nullptr) *to++ = c;
    if (blocked) {
      plain = false;
      if (stopEarly) return finish(false);
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

void AppendReadPlain(std::string& out, std::string_view value, bool folds) {
  if (!folds) return void(out.append(value));
  char* to = Room(out, out.data() + out.size(), value.size());
  const char* const end = value.data() + value.size();
  for (const char* from = value.data();;) {
    const char* const cr = CopyRun<false, kCr>(from, end, to);
    to += cr - from;
    if (cr == end) break;
    from = cr + 1;
    to = Room(out, to, 2 + static_cast<std::size_t>(end - from));
    *to++ = kCr;
    *to++ = kLf;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

void AppendReadExact(std::string& out, std::string_view value) {
  const std::size_t start = out.size();
  out.resize(start + value.size());
  char* to = out.data() + start;
  const char* const end = value.data() + value.size();
  for (const char* from = value.data();;) {
    const char* const escape = CopyRun<false, kEscape>(from, end, to);
    to += escape - from;
    if (escape == end) break;
    if (end - escape == 1) {
      *to++ = kEscape;
      break;
    }
    *to++ = static_cast<char>(static_cast<unsigned char>(escape[1]) ^ kEscapeFlip);
    from = escape + 2;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
}

std::string ReadPlain(std::string_view value, bool folds) {
  std::string out;
  AppendReadPlain(out, value, folds);
  return out;
}

std::string ReadExact(std::string_view value) {
  std::string out;
  AppendReadExact(out, value);
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

}  // namespace distributed
