// Ctrl+C and Ctrl+Break (SIGINT and SIGQUIT on Linux), and the end of the
// console or session (SIGTERM and SIGHUP on Linux).
#pragma once

#include <functional>

namespace platform {

enum class ConsoleEvent {
  CtrlC,
  CtrlBreak,
  // The console is closed, the user logs off or the system shuts down; on
  // Linux the process is asked to terminate or its terminal hangs up. On
  // Windows the process is ended once the handler returns.
  Close,
};

// Calls `handler` for each event, on a thread other than the main one, and
// keeps the default action from ending the process while it runs. Install it
// before any other thread starts. Returns false when it could not be set up.
bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler);

}  // namespace platform
