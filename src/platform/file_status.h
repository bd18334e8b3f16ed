// File existence and modification times, in whole seconds.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStatus {
  bool exists = false;
  bool directory = false;
  std::int64_t modified = 0;  // seconds since 1970-01-01 UTC
};

// A file or a directory of exactly this name.
FileStatus PathStatus(const std::string& name);

// The first file, not directory, that `pattern` names; '*' and '?' in its
// last component match as the system's file search does.
FileStatus FindFileStatus(const std::string& pattern);

// Sets the modification time of an existing file or directory to now.
enum class TouchResult { Touched, Missing, Failed };
TouchResult TouchPath(const std::string& name);

}  // namespace platform
