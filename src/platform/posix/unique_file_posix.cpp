#include "platform/unique_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace platform {

std::string TemporaryDirectory() {
  for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "/tmp";
}

std::string CreateUniqueFile(const std::string& directory, const std::string& prefix, const std::string& suffix) {
  static std::atomic<unsigned> counter{0};
  const unsigned process = static_cast<unsigned>(getpid());
  for (int attempt = 0; attempt < 10000; ++attempt) {
    const unsigned serial = counter++;
    std::string name = directory;
    name.append("/").append(prefix).append(std::to_string(process)).append("_");
    name.append(std::to_string(serial)).append(suffix);
    const int descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (descriptor >= 0) {
      close(descriptor);
      return name;
    }
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

}  // namespace platform
