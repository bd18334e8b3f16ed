#include "exec/processor_info.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

double Agree(std::vector<double> samples, int* taken = nullptr) {
  size_t next = 0;
  double result = exec::ProcessorInfo::AgreeOnSamples([&] { return samples.at(next++); });
  if (taken) *taken = static_cast<int>(next);
  return result;
}

// Two samples agree when they differ by less than one; the first pair to
// agree, in the order of the measurement, gives their mean.
TEST(ProcessorClock, TheFirstSamplesThatAgree) {
  const struct {
    std::vector<double> samples;
    double clock;
    int taken;
  } cases[] = {
      {{1999.6, 1999.2, 5, 5}, 1999.4, 2},
      // The third sample agrees with the first before the second.
      {{500.5, 600.5, 500.1, 9}, 500.3, 3},
      {{500.5, 600.5, 600.1, 9}, 600.3, 3},
      // The fourth agrees with the earliest.
      {{100.5, 200.5, 300.5, 200.1}, 200.3, 4},
      {{100.5, 200.5, 300.5, 300.1}, 300.3, 4},
      // No agreement: the two middle samples.
      {{500.2, 498.7, 503.9, 501.1}, 500.65, 4},
  };
  for (const auto& c : cases) {
    int taken = 0;
    EXPECT_DOUBLE_EQ(Agree(c.samples, &taken), c.clock);
    EXPECT_EQ(taken, c.taken);
  }
}

TEST(ProcessorClock, MeasurementNeverFails) {
  const double mhz = exec::ProcessorInfo().ClockMhz();
  EXPECT_GE(mhz, 0);
  EXPECT_EQ(mhz, mhz);  // not NaN
}

}  // namespace
