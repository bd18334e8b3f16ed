#include "platform/environment_edit.h"

#include <windows.h>

namespace platform {

bool SameEnvironmentName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace platform
