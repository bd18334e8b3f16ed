// Texts for peers on other systems: the narrow encoding converted to and
// from another code page. Code pages are numbered as Windows numbers them
// (932 Shift_JIS, 65001 UTF-8).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int kUtf8CodePage = 65001;

// The narrow encoding's code page: the ANSI code page on Windows, UTF-8 on
// Linux.
int NarrowCodePage();

// `text` from code page `from` into `to`. A character `to` lacks, and a
// byte that is no character, becomes '?'. Text in ASCII alone stays as it
// is, and so does any text when `from` is `to` or the system knows either
// page not.
std::string ConvertCodePage(std::string_view text, int from, int to);

// True when every byte is ASCII (the same in every code page used here).
bool IsAsciiText(std::string_view text);

// How many bytes at the end of `text` (narrow, beginning with a whole
// character) begin a character that is not complete yet.
std::size_t IncompleteCharacterBytes(std::string_view text);

// The same for UTF-8 text, on every system.
std::size_t IncompleteUtf8Bytes(std::string_view text);

}  // namespace platform
