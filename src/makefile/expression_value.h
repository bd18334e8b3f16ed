// Expression values are texts; these read and write the numbers among them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace makefile {

// True when all of `text` reads as an unsigned integer by the C rule with
// base 0: leading white space, an optional sign, then "0x" and hex digits,
// '0' and octal digits, or decimal digits. The empty text is 0. A '-'
// negates the 32-bit value; a value that does not fit 32 bits reads as
// 4294967295. The bits are taken as a signed number, so "0xFFFFFFFF" is -1.
// `value` is left unchanged when the text is no number.
bool ReadNumber(std::string_view text, std::int32_t& value);

// Signed decimal text.
std::string NumberText(std::int32_t value);

}  // namespace makefile
