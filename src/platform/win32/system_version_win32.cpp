#include "platform/system_version.h"

#include <windows.h>

namespace platform {

PlatformFamily QueryPlatformFamily() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return PlatformFamily::Unknown;
  switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
      return PlatformFamily::Windows95;
    case VER_PLATFORM_WIN32_NT:
      return PlatformFamily::WindowsNt;
    default:
      return PlatformFamily::Other;
  }
}

std::optional<std::string> WindowsDirectory() {
  char buffer[MAX_PATH + 1];
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return std::nullopt;
  return std::string(buffer, length);
}

}  // namespace platform
