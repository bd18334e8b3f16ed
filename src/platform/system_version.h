// The operating system's version family and the Windows directory.
#pragma once

#include <optional>
#include <string>

namespace platform {

enum class PlatformFamily {
  Windows95,  // Windows 95, 98, Me
  WindowsNt,  // NT, 2000 and later
  Other,      // any other platform id, and every non-Windows system
  Unknown,    // the version query failed
};

PlatformFamily QueryPlatformFamily();

// The Windows directory; nothing where there is none.
std::optional<std::string> WindowsDirectory();

}  // namespace platform
