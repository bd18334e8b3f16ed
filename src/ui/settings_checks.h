// What the settings dialogs refuse before OK stores anything: a port no
// socket can have, a machine name that is empty or too long to show.
#pragma once

#include <string>

namespace ui {

inline constexpr int kMachineNameMaxLength = 63;  // a host name's label

// Empty when `text` is a whole decimal number from 1 to 65535 (blanks
// around it allowed); else the message naming the field `fieldName` (UTF-8).
std::string PortRefusal(const char* fieldName, const std::string& text);
// Empty when the name has 1 to kMachineNameMaxLength bytes; else the message.
std::string MachineNameRefusal(const std::string& name);

}  // namespace ui
