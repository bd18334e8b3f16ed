#include "platform/directory.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace platform {

// Like Windows' full path names: the components "." and ".." are resolved
// by the text, links are not followed.
std::string FullPath(const std::string& path) {
  if (path.empty()) return std::string();
  std::string absolute = path;
  if (path[0] != '/') {
    const std::string directory = WorkingDirectory();
    if (directory.empty()) return std::string();
    absolute = directory + "/" + path;
  }
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= absolute.size()) {
    size_t end = absolute.find('/', start);
    if (end == std::string::npos) end = absolute.size();
    const std::string component = absolute.substr(start, end - start);
    if (component == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
    }
    start = end + 1;
  }
  std::string full;
  for (const std::string& component : components) full += "/" + component;
  if (full.empty() || (absolute.back() == '/' && full.back() != '/')) full += "/";
  return full;
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

bool MakeDirectory(const std::string& directory) {
  if (mkdir(directory.c_str(), 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(directory.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Two names of one existing file (through links, say) are the same path.
bool SamePath(const std::string& first, const std::string& second) {
  struct stat a;
  struct stat b;
  if (stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0) return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  return first == second;
}

}  // namespace platform
