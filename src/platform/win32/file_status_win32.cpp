#include "platform/file_status.h"

#include <windows.h>

namespace platform {
namespace {

constexpr std::int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970 in 100 ns
constexpr std::int64_t kTicksPerSecond = 10000000LL;

void SetModified(const FILETIME& time, FileStatus& status) {
  const std::int64_t ticks =
      ((static_cast<std::int64_t>(time.dwHighDateTime) << 32) | static_cast<std::int64_t>(time.dwLowDateTime)) -
      kEpochDifference;
  status.modified = ticks / kTicksPerSecond;
  status.nanoseconds = static_cast<std::int32_t>(ticks % kTicksPerSecond) * 100;
}

bool SetWriteTime(const std::string& name, const FILETIME& time) {
  HANDLE file = CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool set = SetFileTime(file, nullptr, nullptr, &time) != 0;
  CloseHandle(file);
  return set;
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

}  // namespace

FileStatus PathStatus(const std::string& name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (name.empty() || HasWildcard(name) || !GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) {
    return FileStatus{};
  }
  FileStatus status;
  status.exists = true;
  status.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  SetModified(data.ftLastWriteTime, status);
  return status;
}

FileStatus FindFileStatus(const std::string& pattern) {
  FileStatus found;
  if (pattern.empty()) return found;
  // A plain name needs no directory search.
  if (!HasWildcard(pattern)) {
    found = PathStatus(pattern);
    return found.directory ? FileStatus{} : found;
  }
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      found.exists = true;
      SetModified(data.ftLastWriteTime, found);
      break;
    }
  } while (FindNextFileA(search, &data));
  FindClose(search);
  return found;
}

TouchResult TouchPath(const std::string& name) {
  if (!PathStatus(name).exists) return TouchResult::Missing;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return SetWriteTime(name, now) ? TouchResult::Touched : TouchResult::Failed;
}

bool SetModifiedTime(const std::string& name, std::int64_t nanoseconds) {
  const std::int64_t ticks = nanoseconds / 100 + kEpochDifference;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
  return SetWriteTime(name, time);
}

}  // namespace platform
