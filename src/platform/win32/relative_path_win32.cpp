#include "platform/relative_path.h"

#include <windows.h>

#include "platform/relative_path_core.h"
#include "platform/text.h"

namespace platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// "C:\" or "\\server\share\"; 0 for a relative path.
size_t RootLength(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return 3;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    size_t separators = 0;
    for (size_t i = 2; i < path.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(path[i]))) {
        ++i;
      } else if (IsSeparator(path[i]) && ++separators == 2) {
        return i + 1;
      }
    }
  }
  return 0;
}

bool SameComponent(std::string_view a, std::string_view b) {
  return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

std::optional<std::string> RelativePathBetween(const std::string& from, const std::string& to) {
  return detail::RelativePathBetween(from, to, '\\', RootLength, SameComponent);
}

}  // namespace platform
