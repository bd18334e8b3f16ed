#include "diag/notice.h"

#include <atomic>

#include "platform/console.h"

namespace diag {
namespace {

// Set once after the command line is read; workers only read it.
std::atomic<bool> noticesToStderr{false};

}  // namespace

void SendNoticesToStderr(bool toStderr) { noticesToStderr = toStderr; }

bool NoticesGoToStderr() { return noticesToStderr; }

bool WriteNotice(std::string_view text) {
  return noticesToStderr ? platform::WriteStderr(text) : platform::WriteStdout(text);
}

}  // namespace diag
