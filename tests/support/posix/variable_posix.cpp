#include <cstdlib>

#include "support/bramle_process.h"

namespace testing_support {

bool SetVariable(const std::string& name, const std::optional<std::string>& value) {
  if (value) return ::setenv(name.c_str(), value->c_str(), 1) == 0;
  return ::unsetenv(name.c_str()) == 0;
}

}  // namespace testing_support
