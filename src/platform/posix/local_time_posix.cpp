#include "platform/local_time.h"

namespace platform {

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

bool ToLocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  return localtime_r(&time, &local) != nullptr;
}

}  // namespace platform
