#include "platform/console_control.h"

#include <windows.h>

namespace platform {
namespace {

std::function<void(ConsoleEvent)>& InstalledHandler() {
  static std::function<void(ConsoleEvent)> handler;
  return handler;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      InstalledHandler()(ConsoleEvent::CtrlC);
      return TRUE;
    case CTRL_BREAK_EVENT:
      InstalledHandler()(ConsoleEvent::CtrlBreak);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The system ends the process when this returns: the running command
      // is ended first.
      InstalledHandler()(ConsoleEvent::Close);
      return TRUE;
    default:
      return FALSE;  // the system's default action applies
  }
}

}  // namespace

bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler) {
  InstalledHandler() = std::move(handler);
  return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

}  // namespace platform
