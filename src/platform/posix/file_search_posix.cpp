#include "platform/file_search.h"

#include <sys/stat.h>

#include "platform/posix/wildcard_posix.h"

namespace platform {

bool AnyFileMatches(const std::string& pattern) {
  if (!HasWildcard(pattern)) {
    struct stat status;
    return !pattern.empty() && stat(pattern.c_str(), &status) == 0;
  }
  return FindMatchingEntry(pattern, [](const std::string&) { return true; });
}

}  // namespace platform
