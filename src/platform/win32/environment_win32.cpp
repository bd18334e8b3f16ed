#include "platform/environment.h"

#include <windows.h>

#include <cstring>

namespace platform {

std::vector<std::pair<std::string, std::string>> EnvironmentEntries() {
  std::vector<std::pair<std::string, std::string>> entries;
  char* block = GetEnvironmentStringsA();
  if (!block) return entries;
  for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
    const char* equals = std::strchr(entry, '=');
    if (!equals) {
      entries.emplace_back(entry, std::string());
      continue;
    }
    entries.emplace_back(std::string(entry, equals), std::string(equals + 1));
  }
  FreeEnvironmentStringsA(block);
  return entries;
}

std::optional<std::string> GetEnvironmentVariableText(const std::string& name) {
  DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::string value(needed, '\0');
  DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  value.resize(length);
  return value;
}

}  // namespace platform
