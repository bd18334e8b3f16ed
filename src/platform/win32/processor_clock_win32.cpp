#include "platform/processor_clock.h"

#include <windows.h>

namespace platform {

std::uint64_t PerformanceFrequency() {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  return static_cast<std::uint64_t>(frequency.QuadPart);
}

std::uint64_t PerformanceCounter() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<std::uint64_t>(counter.QuadPart);
}

bool RaiseThreadPriority(int* saved) {
  int priority = GetThreadPriority(GetCurrentThread());
  if (priority == THREAD_PRIORITY_ERROR_RETURN) return false;
  *saved = priority;
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  return true;
}

void RestoreThreadPriority(int saved) { SetThreadPriority(GetCurrentThread(), saved); }

}  // namespace platform
