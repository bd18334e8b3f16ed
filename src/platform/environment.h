// Process environment.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The environment entries in their stored order, each split at its first
// '=' (so Windows' per-drive entries such as "=C:=C:\" have an empty name).
std::vector<std::pair<std::string, std::string>> EnvironmentEntries();

std::optional<std::string> GetEnvironmentVariableText(const std::string& name);

}  // namespace platform
