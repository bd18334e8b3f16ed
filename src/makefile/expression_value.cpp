#include "makefile/expression_value.h"

namespace makefile {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

bool ReadNumber(std::string_view text, std::int32_t& value) {
  if (text.empty()) {
    value = 0;
    return true;
  }
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  unsigned base = 10;
  if (i < text.size() && text[i] == '0') {
    base = 8;
    // "0x" counts as a prefix only when a hex digit follows; otherwise the
    // '0' is the number and the 'x' is left over.
    if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16) {
      base = 16;
      i += 2;
    }
  }
  const std::size_t digitsStart = i;
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    const unsigned digit = static_cast<unsigned>(DigitValue(text[i]));
    if (digit >= base) break;
    magnitude = magnitude * base + digit;
    if (magnitude > UINT32_MAX) {
      overflow = true;
      magnitude = UINT32_MAX;  // keeps the sum bounded; the digits are still read
    }
  }
  if (i == digitsStart || i != text.size()) return false;

  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (overflow) {
    bits = UINT32_MAX;
  } else if (negative) {
    bits = 0u - bits;
  }
  value = static_cast<std::int32_t>(bits);
  return true;
}

std::string NumberText(std::int32_t value) { return std::to_string(value); }

}  // namespace makefile
