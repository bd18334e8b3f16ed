#include "platform/environment_edit.h"

namespace platform {

bool SameEnvironmentName(std::string_view a, std::string_view b) { return a == b; }

}  // namespace platform
