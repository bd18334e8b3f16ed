#include "platform/system_info.h"

#include <limits.h>
#include <unistd.h>

#include <cstdlib>

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

// The XDG base directory rule: a relative $XDG_CONFIG_HOME is ignored.
std::string UserConfigDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config";
  return std::string();
}

}  // namespace platform
