#include "platform/file_status.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/posix/wildcard_posix.h"

namespace platform {
namespace {

FileStatus FromStat(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.directory = S_ISDIR(info.st_mode);
  status.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  status.nanoseconds = static_cast<std::int32_t>(info.st_mtim.tv_nsec);
  return status;
}

}  // namespace

FileStatus PathStatus(const std::string& name) {
  struct stat info;
  if (name.empty() || stat(name.c_str(), &info) != 0) return FileStatus{};
  return FromStat(info);
}

FileStatus FindFileStatus(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  if (!HasWildcard(slash == std::string::npos ? pattern : pattern.substr(slash + 1))) {
    FileStatus status = PathStatus(pattern);
    return status.directory ? FileStatus{} : status;
  }
  FileStatus found;
  FindMatchingEntry(pattern, [&found](const std::string& path) {
    const FileStatus status = PathStatus(path);
    if (!status.exists || status.directory) return false;
    found = status;
    return true;
  });
  return found;
}

TouchResult TouchPath(const std::string& name) {
  if (!PathStatus(name).exists) return TouchResult::Missing;
  return utimensat(AT_FDCWD, name.c_str(), nullptr, 0) == 0 ? TouchResult::Touched : TouchResult::Failed;
}

bool SetModifiedTime(const std::string& name, std::int64_t nanoseconds) {
  constexpr std::int64_t kPerSecond = 1000000000;
  std::int64_t seconds = nanoseconds / kPerSecond;
  std::int64_t rest = nanoseconds % kPerSecond;
  if (rest < 0) {
    --seconds;
    rest += kPerSecond;
  }
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(rest);
  return utimensat(AT_FDCWD, name.c_str(), times, 0) == 0;
}

}  // namespace platform
