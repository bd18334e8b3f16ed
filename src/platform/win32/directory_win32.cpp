#include "platform/directory.h"

#include <windows.h>

namespace platform {

std::string FullPath(const std::string& path) {
  if (path.empty()) return std::string();
  DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::string();
  std::string full(needed, '\0');
  DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::string();
  full.resize(length);
  return full;
}

bool SetWorkingDirectory(const std::string& directory) { return SetCurrentDirectoryA(directory.c_str()) != 0; }

std::string WorkingDirectory() {
  DWORD needed = GetCurrentDirectoryA(0, nullptr);
  if (needed == 0) return std::string();
  std::string directory(needed, '\0');
  DWORD length = GetCurrentDirectoryA(needed, directory.data());
  if (length == 0 || length >= needed) return std::string();
  directory.resize(length);
  return directory;
}

bool MakeDirectory(const std::string& directory) {
  if (CreateDirectoryA(directory.c_str(), nullptr)) return true;
  const DWORD attributes = GetFileAttributesA(directory.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// lstrcmpiA compares by the system's code page, so double-byte names are
// compared as characters.
bool SamePath(const std::string& first, const std::string& second) {
  return lstrcmpiA(first.c_str(), second.c_str()) == 0;
}

}  // namespace platform
