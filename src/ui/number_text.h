// Numbers as the settings dialogs show them in their edit boxes and read
// them back.
#pragma once

#include <string>

namespace ui {

// Reads `text` as the C library's strtol does in base 10: leading blanks, an
// optional sign, then digits; whatever follows is ignored and no digits give
// 0. The value is held to the range of a 32-bit long, as the Windows build
// reads it, so that both builds store the same number.
int ReadNumber(const std::string& text);

std::string DecimalText(int value);
// The value's 32 bits as an unsigned number ("%u").
std::string UnsignedDecimalText(int value);

}  // namespace ui
