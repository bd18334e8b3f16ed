// File existence and modification times, to the resolution the file system
// keeps (nanoseconds on Linux, 100 ns on Windows).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct FileStatus {
  bool exists = false;
  bool directory = false;
  std::int32_t nanoseconds = 0;  // the part of a second `modified` leaves out
  std::int64_t modified = 0;     // whole seconds since 1970-01-01 UTC
};

// True when `file` was modified after `other`, at full resolution: an edit
// saved within the second after a build still counts.
inline bool ModifiedAfter(const FileStatus& file, const FileStatus& other) {
  if (file.modified != other.modified) return file.modified > other.modified;
  return file.nanoseconds > other.nanoseconds;
}

// A file or a directory of exactly this name.
FileStatus PathStatus(const std::string& name);

// The first file, not directory, that `pattern` names; '*' and '?' in its
// last component match as the system's file search does.
FileStatus FindFileStatus(const std::string& pattern);

// Sets the modification time of an existing file or directory to now.
enum class TouchResult { Touched, Missing, Failed };
TouchResult TouchPath(const std::string& name);

// Sets the modification time of an existing file or directory, given in
// nanoseconds since 1970-01-01 UTC, as finely as the file system keeps it.
// False when it cannot be set.
bool SetModifiedTime(const std::string& name, std::int64_t nanoseconds);

}  // namespace platform
