#include "platform/relative_path.h"

#include "platform/relative_path_core.h"

namespace platform {

std::optional<std::string> RelativePathBetween(const std::string& from, const std::string& to) {
  return detail::RelativePathBetween(
      from, to, '/', [](std::string_view path) -> size_t { return !path.empty() && path[0] == '/' ? 1 : 0; },
      [](std::string_view a, std::string_view b) { return a == b; });
}

}  // namespace platform
