#include "ui/settings_checks.h"

#include <cctype>

#include "diag/message_catalogue.h"
#include "platform/text.h"

namespace ui {
namespace {

bool IsPort(const std::string& text) {
  size_t at = text.find_first_not_of(' ');
  const size_t end = text.find_last_not_of(' ') + 1;
  if (at == std::string::npos || end - at > 5) return false;
  long value = 0;
  for (; at < end; ++at) {
    if (!std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    value = value * 10 + (text[at] - '0');
  }
  return value >= 1 && value <= 65535;
}

}  // namespace

std::string PortRefusal(const char* fieldName, const std::string& text) {
  if (IsPort(text)) return std::string();
  return diag::FormatCatalogMessage(diag::msg::kPortOutOfRange, platform::NarrowFromUtf8(fieldName));
}

std::string MachineNameRefusal(const std::string& name) {
  if (!name.empty() && name.size() <= static_cast<size_t>(kMachineNameMaxLength)) return std::string();
  return diag::FormatCatalogMessage(diag::msg::kMachineNameLength, kMachineNameMaxLength);
}

}  // namespace ui
