#include "platform/system_version.h"

namespace platform {

PlatformFamily QueryPlatformFamily() { return PlatformFamily::Other; }

std::optional<std::string> WindowsDirectory() { return std::nullopt; }

}  // namespace platform
