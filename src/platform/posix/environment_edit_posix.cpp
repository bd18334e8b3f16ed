#include "platform/environment_edit.h"

#include <cstdlib>

namespace platform {

bool SetEnvironmentVariableText(const std::string& name, const std::optional<std::string>& value) {
  if (value) return ::setenv(name.c_str(), value->c_str(), 1) == 0;
  return ::unsetenv(name.c_str()) == 0;
}

bool SameEnvironmentName(std::string_view a, std::string_view b) { return a == b; }

}  // namespace platform
