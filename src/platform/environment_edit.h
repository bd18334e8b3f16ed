// Comparing environment variable names the way the platform does (Windows
// ignores case, POSIX does not).
#pragma once

#include <string_view>

namespace platform {

bool SameEnvironmentName(std::string_view a, std::string_view b);

}  // namespace platform
