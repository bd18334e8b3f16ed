// Estimates the processor clock, reported to a build server by the client.
#pragma once

#include <functional>

namespace exec {

class ProcessorInfo {
 public:
  ProcessorInfo();

  // The clock in MHz, or 0 when it cannot be measured.
  double ClockMhz() const;

  // One measurement in MHz, or 0 without a performance counter.
  static double ClockSample();

  // Takes two to four samples and returns the mean of the first two whose
  // whole-MHz parts agree, else the mean of the two middle ones.
  static double AgreeOnSamples(const std::function<double()>& sample);

 private:
  bool cpuidAvailable_;
};

}  // namespace exec
