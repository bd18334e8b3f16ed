// Files whose modification times are set explicitly, in whole seconds
// before a fixed reference an hour in the past, so that ages compare
// exactly and no test waits for a clock.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "support/bramle_process.h"

namespace testing_support {

inline std::filesystem::file_time_type ReferenceTime() {
  static const std::filesystem::file_time_type reference =
      std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now()) - std::chrono::hours(1);
  return reference;
}

// `name` is written Windows-style, relative to `scratch`.
inline void WriteAged(const ScratchDirectory& scratch, const std::string& name, int age,
                      const std::string& content = "x\n") {
  scratch.Write(NativePath(name), content);
  std::filesystem::last_write_time(scratch.path() / NativePath(name), ReferenceTime() - std::chrono::seconds(age));
}

}  // namespace testing_support
