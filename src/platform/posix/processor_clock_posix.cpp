#include "platform/processor_clock.h"

#include <time.h>

namespace platform {

// The monotonic clock stands in for the performance counter, counted at
// 10 MHz like the Windows one usually is.
std::uint64_t PerformanceFrequency() { return 10'000'000; }

std::uint64_t PerformanceCounter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 10'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec) / 100u;
}

// An ordinary process may not raise its priority; leave it as it is.
bool RaiseThreadPriority(int*) { return false; }
void RestoreThreadPriority(int) {}

}  // namespace platform
