// The makefile escape character '^' and the double-byte-aware character
// steps every scan of makefile text is built on.
#pragma once

#include <string>
#include <string_view>

namespace makefile {

inline constexpr char kEscape = '^';

// Bytes in the character that starts at `index`: 2 for a double-byte
// character of the narrow encoding, else 1.
size_t CharacterLength(std::string_view text, size_t index);

// True when `index` starts a character, that is, it is not the trail byte of
// a double-byte character (in code page 932 a trail byte can equal '\' or '^').
bool StartsCharacter(std::string_view text, size_t index);

// True when the character at `index` directly follows a '^' character.
bool IsEscaped(std::string_view text, size_t index);

// The position of the first `c` at or after `start` (a character start) that
// does not directly follow a '^', or npos. A `c` at position 0 always counts.
size_t FindUnescaped(std::string_view text, char c, size_t start = 0);

// Drops each '^' that stands before one of ! # $ ( ) - : ; @ \ ^ { } and
// keeps the character it escaped ("^^" gives "^"). Other carets stay.
std::string RemoveEscapes(std::string_view text);

}  // namespace makefile
