// Counters used to estimate the processor clock.
#pragma once

#include <cstdint>

namespace platform {

// Performance counter frequency in counts per second; 0 when there is none.
std::uint64_t PerformanceFrequency();
std::uint64_t PerformanceCounter();

// True when the processor has CPUID (the flags register's ID bit toggles).
bool HasCpuid();
// EDX of CPUID leaf 1; only meaningful when HasCpuid().
std::uint32_t CpuidFeatureEdx();
std::uint64_t ReadTimeStampCounter();

// Raises the calling thread to time-critical priority; returns a token that
// RestoreThreadPriority takes back. Returns false when the priority cannot
// be read, in which case nothing was changed.
bool RaiseThreadPriority(int* saved);
void RestoreThreadPriority(int saved);

}  // namespace platform
