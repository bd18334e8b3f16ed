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

TEST(ProcessorClock, FirstTwoSamplesAgree) {
  int taken = 0;
  EXPECT_DOUBLE_EQ(Agree({1999.6, 1999.2, 5, 5}, &taken), 1999.4);
  EXPECT_EQ(taken, 2);
}

TEST(ProcessorClock, ThirdSampleAgreesWithFirstBeforeSecond) {
  int taken = 0;
  EXPECT_DOUBLE_EQ(Agree({500.5, 600.5, 500.1, 9}, &taken), 500.3);
  EXPECT_EQ(taken, 3);
  EXPECT_DOUBLE_EQ(Agree({500.5, 600.5, 600.1, 9}), 600.3);
}

TEST(ProcessorClock, FourthSampleAgreesWithTheEarliest) {
  int taken = 0;
  EXPECT_DOUBLE_EQ(Agree({100.5, 200.5, 300.5, 200.1}, &taken), 200.3);
  EXPECT_EQ(taken, 4);
  EXPECT_DOUBLE_EQ(Agree({100.5, 200.5, 300.5, 300.1}), 300.3);
}

TEST(ProcessorClock, NoAgreementTakesTheTwoMiddleSamples) {
  EXPECT_DOUBLE_EQ(Agree({500.2, 498.7, 503.9, 501.1}), 500.65);
}

TEST(ProcessorClock, MeasurementNeverFails) {
  const double mhz = exec::ProcessorInfo().ClockMhz();
  EXPECT_GE(mhz, 0);
  EXPECT_EQ(mhz, mhz);  // not NaN
}

}  // namespace
