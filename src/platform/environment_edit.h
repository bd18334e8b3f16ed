// Changing the program's own environment, and comparing variable names the
// way the platform does (Windows ignores case, POSIX does not).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Sets `name` to `value`, or removes it when `value` is empty (nullopt).
bool SetEnvironmentVariableText(const std::string& name, const std::optional<std::string>& value);

bool SameEnvironmentName(std::string_view a, std::string_view b);

}  // namespace platform
