#include "platform/file_search.h"

#include <windows.h>

#include <cstring>

namespace platform {

// The system matches the wildcards itself, as the command processor does;
// it rejects wildcards outside the last component.
bool AnyFileMatches(const std::string& pattern) {
  if (pattern.find_first_of("*?") == std::string::npos) {
    return !pattern.empty() && GetFileAttributesA(pattern.c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    found = std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0;
  } while (!found && FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

}  // namespace platform
