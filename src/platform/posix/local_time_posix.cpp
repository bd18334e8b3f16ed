#include "platform/local_time.h"

namespace platform {

bool ToLocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  return localtime_r(&time, &local) != nullptr;
}

}  // namespace platform
