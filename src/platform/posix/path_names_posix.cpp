#include "platform/path_names.h"

#include <unistd.h>

#include <vector>

#include "platform/relative_path.h"

namespace platform {
namespace {

size_t RootLength(std::string_view path) { return !path.empty() && path[0] == '/' ? 1 : 0; }

}  // namespace

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (buffer.size() > (1u << 20)) return ".";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string FullPathName(const std::string& name) {
  const std::string absolute = RootLength(name) ? name : CurrentDirectory() + "/" + name;
  return detail::NormalisePath(absolute, 1, '/');
}

std::optional<std::string> RelativePathBetween(const std::string& from, const std::string& to) {
  return detail::RelativePathBetween(from, to, '/', RootLength,
                                     [](std::string_view a, std::string_view b) { return a == b; });
}

}  // namespace platform
