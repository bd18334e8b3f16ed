#include "ui/number_text.h"

#include <cstdint>
#include <cstdlib>

namespace ui {

int ReadNumber(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int>(value);
}

std::string DecimalText(int value) { return std::to_string(value); }

std::string UnsignedDecimalText(int value) { return std::to_string(static_cast<std::uint32_t>(value)); }

}  // namespace ui
