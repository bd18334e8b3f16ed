#include "platform/system_info.h"

#include <windows.h>

namespace platform {

std::string ModulePath() {
  char buffer[MAX_PATH * 2] = {};
  DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  return std::string(buffer, length);
}

std::string ComputerName() {
  char buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = sizeof buffer;
  if (!GetComputerNameA(buffer, &length)) return std::string();
  return std::string(buffer, length);
}

std::string UserConfigDirectory() { return std::string(); }

}  // namespace platform
