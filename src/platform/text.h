// Text encodings. Strings inside bramle are byte strings in the platform's
// narrow encoding: UTF-8 on Linux, the ANSI code page (932 on a Japanese
// system) on Windows. Sources keep their texts in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Converts UTF-8 (as kept in the sources) into the narrow encoding.
std::string NarrowFromUtf8(std::string_view utf8);

// True when `byte` starts a two-byte character in the narrow encoding.
// Scans that step through names use it so that a trail byte equal to an
// ASCII character (0x5C in code page 932) is never taken for that character.
bool IsLeadByte(unsigned char byte);

}  // namespace platform
