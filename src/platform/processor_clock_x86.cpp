// CPUID and time-stamp counter, shared by both platforms (the instructions
// are the processor's, not the system's).
#include "platform/processor_clock.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#endif

namespace platform {

#if defined(__i386__)
bool HasCpuid() {
  // The ID flag (bit 21 of EFLAGS) can be toggled only where CPUID exists.
  unsigned before, after;
  __asm__ volatile(
      "pushfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl $0x200000, %0\n\t"
      "pushl %0\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "popfl\n\t"
      : "=&r"(after), "=&r"(before));
  return ((before ^ after) & 0x200000) != 0;
}
#elif defined(__x86_64__)
bool HasCpuid() { return true; }
#else
bool HasCpuid() { return false; }
#endif

#if defined(__i386__) || defined(__x86_64__)
std::uint32_t CpuidFeatureEdx() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return 0;
  return d;
}
std::uint64_t ReadTimeStampCounter() { return __rdtsc(); }
#else
std::uint32_t CpuidFeatureEdx() { return 0; }
std::uint64_t ReadTimeStampCounter() { return 0; }
#endif

}  // namespace platform
