#include "platform/environment.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform {

std::vector<std::pair<std::string, std::string>> EnvironmentEntries() {
  std::vector<std::pair<std::string, std::string>> entries;
  for (char** entry = environ; entry && *entry; ++entry) {
    const char* text = *entry;
    const char* equals = std::strchr(text, '=');
    if (!equals) {
      entries.emplace_back(text, std::string());
      continue;
    }
    entries.emplace_back(std::string(text, equals), std::string(equals + 1));
  }
  return entries;
}

std::optional<std::string> GetEnvironmentVariableText(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

}  // namespace platform
