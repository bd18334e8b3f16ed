#include "platform/local_time.h"

namespace platform {

// The C runtime keeps the result of localtime per thread.
bool ToLocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  const std::tm* converted = std::localtime(&time);
  if (!converted) return false;
  local = *converted;
  return true;
}

}  // namespace platform
