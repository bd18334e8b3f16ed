#include "platform/console.h"

#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      // SIGPIPE is ignored: a reader that has gone shows as EPIPE.
      return errno != EPIPE;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool WriteStdout(std::string_view text) { return WriteAll(STDOUT_FILENO, text); }
bool WriteStderr(std::string_view text) { return WriteAll(STDERR_FILENO, text); }

// A terminal's title cannot be read back; the port keeps no title.
std::string ConsoleTitle() { return std::string(); }
void SetConsoleTitleText(std::string_view) {}
void ShowConsoleWindow(bool) {}

}  // namespace platform
