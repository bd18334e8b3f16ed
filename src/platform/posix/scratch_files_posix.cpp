#include "platform/scratch_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

std::string TemporaryDirectory() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string directory = tmpdir && *tmpdir ? tmpdir : "/tmp";
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  return directory;
}

CreateResult CreateFileExclusively(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return errno == EEXIST ? CreateResult::Exists : CreateResult::Failed;
  bool written = true;
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (::close(fd) != 0) written = false;
  if (!written) {
    ::unlink(path.c_str());
    return CreateResult::Failed;
  }
  return CreateResult::Created;
}

bool IsPlainFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::FILE* OpenScratchFile(const std::string& path) { return std::fopen(path.c_str(), "w+be"); }

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace platform
