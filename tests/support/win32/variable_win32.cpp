#include <windows.h>

#include "support/bramle_process.h"

namespace testing_support {

bool SetVariable(const std::string& name, const std::optional<std::string>& value) {
  return SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr) != 0;
}

}  // namespace testing_support
