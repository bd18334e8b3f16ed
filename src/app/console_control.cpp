#include "app/console_control.h"

#include <mutex>

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "platform/console_control.h"

namespace app {
namespace {

std::mutex cancelMutex;
std::function<void()> cancelAction;

unsigned NoticeFor(platform::ConsoleEvent event) {
  switch (event) {
    case platform::ConsoleEvent::CtrlC:
      return diag::msg::kCtrlCReceived;
    case platform::ConsoleEvent::CtrlBreak:
      return diag::msg::kCtrlBreakReceived;
    case platform::ConsoleEvent::Close: break;
  }
  return diag::msg::kEndRequested;
}

// Runs whole under the lock: the build clears its action when it ends, and
// so waits for a cancel in progress to print its last line before the
// process can exit. The notices go to standard error, apart from the
// commands echoed on standard output, which the workers of a parallel
// build may still be writing.
void OnConsoleEvent(platform::ConsoleEvent event) {
  const unsigned notice = NoticeFor(event);
  std::lock_guard<std::mutex> hold(cancelMutex);
  platform::WriteStderr(diag::LoadMessage(notice) + "\n");
  if (cancelAction) cancelAction();
  platform::WriteStderr(diag::LoadMessage(diag::msg::kBuildStopped) + "\n");
}

}  // namespace

void InstallCancelHandler() { platform::InstallConsoleControlHandler(OnConsoleEvent); }

void SetCancelAction(std::function<void()> action) {
  std::lock_guard<std::mutex> hold(cancelMutex);
  cancelAction = std::move(action);
}

HiddenConsole::HiddenConsole(bool hide, const char* title) : hide_(hide) {
  if (!hide_) return;
  savedTitle_ = platform::ConsoleTitle();
  platform::SetConsoleTitleText(title);
  platform::ShowConsoleWindow(false);
}

HiddenConsole::~HiddenConsole() {
  if (!hide_) return;
  platform::ShowConsoleWindow(true);
  platform::SetConsoleTitleText(savedTitle_);
}

}  // namespace app
