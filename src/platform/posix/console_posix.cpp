#include "platform/console.h"

#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

void WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;  // A failed write to a standard stream is ignored.
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

void WriteStdout(std::string_view text) { WriteAll(STDOUT_FILENO, text); }
void WriteStderr(std::string_view text) { WriteAll(STDERR_FILENO, text); }

// A terminal's title cannot be read back; the port keeps no title.
std::string ConsoleTitle() { return std::string(); }
void SetConsoleTitleText(std::string_view) {}
void ShowConsoleWindow(bool) {}

}  // namespace platform
