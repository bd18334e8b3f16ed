// Small helpers for the white space of makefile lines. White space bytes
// are never trail bytes of a double-byte character, so they need no
// character stepping.
#pragma once

#include <string_view>

namespace makefile {

inline bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

inline bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsWhiteSpace(text[begin])) ++begin;
  return text.substr(begin);
}

inline std::string_view TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsWhiteSpace(text[end - 1])) --end;
  return text.substr(0, end);
}

inline std::string_view Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

}  // namespace makefile
