#include "platform/file_status.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace platform {
namespace {

FileStatus FromStat(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.directory = S_ISDIR(info.st_mode);
  status.modified = static_cast<std::int64_t>(info.st_mtime);
  return status;
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

// '*' matches any run of characters, '?' any one; nothing else is special.
bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  size_t p = 0;
  size_t n = 0;
  size_t starAt = std::string::npos;
  size_t resumeAt = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = n;
    } else if (starAt != std::string::npos) {
      p = starAt + 1;
      n = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

FileStatus PathStatus(const std::string& name) {
  struct stat info;
  if (name.empty() || stat(name.c_str(), &info) != 0) return FileStatus{};
  return FromStat(info);
}

FileStatus FindFileStatus(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string leaf = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  if (!HasWildcard(leaf)) {
    FileStatus status = PathStatus(pattern);
    return status.directory ? FileStatus{} : status;
  }
  const std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash == 0 ? 1 : slash);
  DIR* listing = opendir(directory.c_str());
  if (!listing) return FileStatus{};
  FileStatus found;
  while (dirent* entry = readdir(listing)) {
    const std::string entryName = entry->d_name;
    if (!MatchesWildcard(leaf, entryName)) continue;
    const FileStatus status = PathStatus(directory + "/" + entryName);
    if (status.exists && !status.directory) {
      found = status;
      break;
    }
  }
  closedir(listing);
  return found;
}

TouchResult TouchPath(const std::string& name) {
  if (!PathStatus(name).exists) return TouchResult::Missing;
  return utimensat(AT_FDCWD, name.c_str(), nullptr, 0) == 0 ? TouchResult::Touched : TouchResult::Failed;
}

}  // namespace platform
