// Text encodings. Strings inside bramle are byte strings in the platform's
// narrow encoding: UTF-8 on Linux, the ANSI code page (932 on a Japanese
// system) on Windows. Sources keep their texts in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Converts UTF-8 (as kept in the sources) into the narrow encoding.
std::string NarrowFromUtf8(std::string_view utf8);

// Converts the narrow encoding into UTF-8, for files other programs read
// as UTF-8. A byte that is no character of the encoding becomes U+FFFD.
std::string Utf8FromNarrow(std::string_view narrow);

// True when `byte` starts a two-byte character in the narrow encoding.
// Scans that step through names use it so that a trail byte equal to an
// ASCII character (0x5C in code page 932) is never taken for that character.
//
// kHasLeadBytes is false where IsLeadByte is false for every byte: a byte
// found anywhere in a text is then a character of its own, and scans may
// jump to it.
#ifdef _WIN32
bool IsLeadByte(unsigned char byte);
inline constexpr bool kHasLeadBytes = true;
#else
// UTF-8 needs no lead-byte test: no byte of a multibyte character is ASCII.
// Inline, so that the byte scans lose nothing to it.
inline bool IsLeadByte(unsigned char) { return false; }
inline constexpr bool kHasLeadBytes = false;
#endif

}  // namespace platform
