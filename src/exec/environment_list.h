// The environment a runner gives its children: a snapshot of the program's
// own, changed by the "set" built-in without touching the program's.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exec {

class EnvironmentList {
 public:
  // Replaces the list with the program's environment, in the system's order.
  void Snapshot();

  // Entries of the form NAME=VALUE.
  const std::vector<std::string>& Entries() const { return entries_; }

  // NAME=VALUE replaces the value of an entry of that name (compared as the
  // platform compares names) or adds one at the end; NAME= removes it. The
  // text may be enclosed in double quotes, as the processor allows. Text
  // without a name and '=' changes nothing.
  void Set(std::string_view assignment);

 private:
  std::vector<std::string> entries_;
};

// The "set" built-in: applies the argument text, exit code 0.
int RunSetCommand(std::string_view argumentText, EnvironmentList& environment);

}  // namespace exec
