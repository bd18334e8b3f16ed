#include "makefile/escapes.h"

#include "platform/text.h"

namespace makefile {
namespace {

bool IsLead(char c) { return platform::IsLeadByte(static_cast<unsigned char>(c)); }

bool IsEscapable(char c) {
  switch (c) {
    case '!': case '#': case '$': case '(': case ')': case '-': case ':': case ';':
    case '@': case '\\': case '^': case '{': case '}':
      return true;
    default:
      return false;
  }
}

}  // namespace

size_t CharacterLength(std::string_view text, size_t index) {
  return IsLead(text[index]) && index + 1 < text.size() ? 2 : 1;
}

bool StartsCharacter(std::string_view text, size_t index) {
  // The byte after the last byte that cannot lead a character starts one;
  // from there the lead-capable bytes pair up.
  size_t leadCapable = 0;
  while (leadCapable < index && IsLead(text[index - 1 - leadCapable])) ++leadCapable;
  return leadCapable % 2 == 0;
}

bool IsEscaped(std::string_view text, size_t index) {
  return index > 0 && text[index - 1] == kEscape && StartsCharacter(text, index - 1);
}

size_t FindUnescaped(std::string_view text, char c, size_t start) {
  // Most texts do not hold the character at all; then no character needs
  // stepping through.
  size_t found = start < text.size() ? text.find(c, start) : std::string_view::npos;
  if (found == std::string_view::npos) return found;
  if constexpr (!platform::kHasLeadBytes) {
    // Every byte is a character: only the one before each find counts.
    while (found != std::string_view::npos && found > 0 && text[found - 1] == kEscape) found = text.find(c, found + 1);
    return found;
  }
  bool afterEscape = IsEscaped(text, start);
  for (size_t i = start; i < text.size();) {
    const size_t length = CharacterLength(text, i);
    if (length == 1) {
      if (text[i] == c && !afterEscape) return i;
      afterEscape = text[i] == kEscape;
    } else {
      afterEscape = false;
    }
    i += length;
  }
  return std::string_view::npos;
}

std::string RemoveEscapes(std::string_view text) {
  if (text.find(kEscape) == std::string_view::npos) return std::string(text);
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharacterLength(text, i);
    if (length == 1 && text[i] == kEscape && i + 1 < text.size() && IsEscapable(text[i + 1])) {
      result.push_back(text[i + 1]);
      i += 2;
      continue;
    }
    result.append(text, i, length);
    i += length;
  }
  return result;
}

}  // namespace makefile
