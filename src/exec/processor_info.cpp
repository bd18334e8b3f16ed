#include "exec/processor_info.h"

#include <algorithm>
#include <cstdint>

#include "platform/processor_clock.h"

namespace exec {
namespace {

constexpr std::uint32_t kTimeStampCounterBit = 1u << 4;

long long WholePart(double value) { return static_cast<long long>(value); }

}  // namespace

ProcessorInfo::ProcessorInfo() : cpuidAvailable_(platform::HasCpuid()) {}

double ProcessorInfo::ClockMhz() const {
  if (!cpuidAvailable_ || (platform::CpuidFeatureEdx() & kTimeStampCounterBit) == 0) return 0;
  return AgreeOnSamples(&ClockSample);
}

double ProcessorInfo::AgreeOnSamples(const std::function<double()>& sample) {
  double samples[4];
  int taken = 0;
  for (int wanted = 2; wanted <= 4; ++wanted) {
    while (taken < wanted) samples[taken++] = sample();
    const double newest = samples[taken - 1];
    for (int earlier = 0; earlier < taken - 1; ++earlier) {
      if (WholePart(samples[earlier]) == WholePart(newest)) return (samples[earlier] + newest) / 2;
    }
  }
  std::sort(samples, samples + 4);
  return (samples[1] + samples[2]) / 2;
}

double ProcessorInfo::ClockSample() {
  const std::uint64_t frequency = platform::PerformanceFrequency();
  if (frequency == 0) return 0;
  std::uint32_t totalMicroseconds = 0;
  std::uint32_t totalCycles = 0;
  for (int pass = 0; pass < 3; ++pass) {
    int savedPriority = 0;
    const bool raised = platform::RaiseThreadPriority(&savedPriority);
    const std::uint32_t t0 = static_cast<std::uint32_t>(platform::PerformanceCounter());
    const std::uint32_t c0 = static_cast<std::uint32_t>(platform::ReadTimeStampCounter());
    std::uint32_t t1 = t0;
    while (t1 - t0 < 1000) t1 = static_cast<std::uint32_t>(platform::PerformanceCounter());
    const std::uint32_t c1 = static_cast<std::uint32_t>(platform::ReadTimeStampCounter());
    if (raised) platform::RestoreThreadPriority(savedPriority);
    const std::uint32_t divisor = static_cast<std::uint32_t>(frequency / 10);
    if (divisor != 0) totalMicroseconds += (t1 - t0) * 100000u / divisor;
    totalCycles += c1 - c0;
  }
  // A counter so fast that 1000 counts are under a microsecond gives no
  // measurement rather than a division by zero.
  if (totalMicroseconds == 0) return 0;
  return static_cast<double>(totalCycles) / totalMicroseconds;
}

}  // namespace exec
