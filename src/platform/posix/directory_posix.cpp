#include "platform/directory.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace platform {

std::string FullPath(const std::string& path) {
  if (path.empty()) return std::string();
  // realpath resolves symbolic links, so one file has one full path.
  if (char* resolved = realpath(path.c_str(), nullptr)) {
    std::string full(resolved);
    std::free(resolved);
    return full;
  }
  if (path[0] == '/') return path;
  const std::string directory = WorkingDirectory();
  if (directory.empty()) return std::string();
  return directory == "/" ? "/" + path : directory + "/" + path;
}

bool SetWorkingDirectory(const std::string& directory) { return chdir(directory.c_str()) == 0; }

std::string WorkingDirectory() {
  std::string buffer(PATH_MAX, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() > (1u << 20)) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

bool SamePath(const std::string& first, const std::string& second) { return first == second; }

}  // namespace platform
