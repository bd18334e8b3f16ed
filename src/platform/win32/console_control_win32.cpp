#include "platform/console_control.h"

#include <windows.h>

namespace platform {
namespace {

struct Installed {
  std::function<void(ConsoleEvent)> handler;
  bool withClose = false;
};

Installed& InstalledHandler() {
  static Installed installed;
  return installed;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  Installed& installed = InstalledHandler();
  switch (event) {
    case CTRL_C_EVENT:
      installed.handler(ConsoleEvent::CtrlC);
      return TRUE;
    case CTRL_BREAK_EVENT:
      installed.handler(ConsoleEvent::CtrlBreak);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      if (!installed.withClose) return FALSE;
      installed.handler(ConsoleEvent::Close);
      return TRUE;
    default:
      return FALSE;  // the system's default action applies
  }
}

}  // namespace

bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler, bool withClose) {
  InstalledHandler() = Installed{std::move(handler), withClose};
  return SetConsoleCtrlHandler(OnConsoleEvent, TRUE) != 0;
}

}  // namespace platform
