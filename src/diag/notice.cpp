#include "diag/notice.h"

#include <atomic>

#include "platform/console.h"

namespace diag {
namespace {

// Set once after the command line is read; workers only read it.
std::atomic<bool> noticesToStderr{false};

}  // namespace

void SendNoticesToStderr(bool toStderr) { noticesToStderr = toStderr; }

void WriteNotice(std::string_view text) {
  if (noticesToStderr) {
    platform::WriteStderr(text);
  } else {
    platform::WriteStdout(text);
  }
}

}  // namespace diag
