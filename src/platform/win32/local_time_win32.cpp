#include "platform/local_time.h"

#include <windows.h>

namespace platform {

std::tm LocalTimeNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  std::tm local{};
  local.tm_year = now.wYear - 1900;
  local.tm_mon = now.wMonth - 1;
  local.tm_mday = now.wDay;
  local.tm_wday = now.wDayOfWeek;
  local.tm_hour = now.wHour;
  local.tm_min = now.wMinute;
  local.tm_sec = now.wSecond;
  local.tm_isdst = -1;
  return local;
}

// The C runtime keeps the result of localtime per thread.
bool ToLocalTime(std::int64_t seconds, std::tm& local) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  const std::tm* converted = std::localtime(&time);
  if (!converted) return false;
  local = *converted;
  return true;
}

}  // namespace platform
