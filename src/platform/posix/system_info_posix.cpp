#include "platform/system_info.h"

#include <limits.h>
#include <unistd.h>

namespace platform {

std::string ModulePath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

std::string ComputerName() {
  char buffer[256] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
  std::string name(buffer);
  if (name.size() > 15) name.resize(15);
  return name;
}

}  // namespace platform
