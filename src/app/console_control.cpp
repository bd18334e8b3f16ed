#include "app/console_control.h"

#include <mutex>

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "platform/console_control.h"

namespace app {
namespace {

std::mutex cancelMutex;
std::function<void()> cancelAction;

// Held to the last notice: the build the cancel ends cannot end the process
// (SetCancelAction waits) before the user is told it stopped.
void OnConsoleEvent(platform::ConsoleEvent event) {
  std::lock_guard<std::mutex> hold(cancelMutex);
  const unsigned notice = event == platform::ConsoleEvent::CtrlC ? 22505 : 22507;
  platform::WriteStdout(diag::LoadMessage(notice) + "\n");
  if (cancelAction) cancelAction();
  platform::WriteStdout(diag::LoadMessage(22506) + "\n");
}

}  // namespace

void InstallCancelHandler() { platform::InstallConsoleControlHandler(OnConsoleEvent); }

void SetCancelAction(std::function<void()> action) {
  std::lock_guard<std::mutex> hold(cancelMutex);
  cancelAction = std::move(action);
}

}  // namespace app
