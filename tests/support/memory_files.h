// Files in memory by name, for walks that read no disk: each file made is
// newer than every file made or set before it. Workers on several threads
// may make files while the walk reads them.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "platform/file_status.h"

namespace testing_support {

class MemoryFiles {
 public:
  // A file that was there before the build, with the time given.
  void Set(const std::string& name, std::int64_t time) {
    std::lock_guard<std::mutex> lock(mutex_);
    times_[name] = time;
  }
  void Make(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    times_[name] = ++clock_;
    ++made_[name];
  }
  platform::FileStatus Status(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = times_.find(name);
    if (found == times_.end()) return {};
    return {.exists = true, .modified = found->second};
  }
  int TimesMade(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    return made_[name];
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::int64_t> times_;
  std::map<std::string, int> made_;
  std::int64_t clock_ = 1000;
};

}  // namespace testing_support
