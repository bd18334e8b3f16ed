// Ctrl+C and Ctrl+Break (SIGINT and SIGQUIT on Linux).
#pragma once

#include <functional>

namespace platform {

enum class ConsoleEvent { CtrlC, CtrlBreak };

// Calls `handler` for each Ctrl+C or Ctrl+Break, on a thread other than the
// main one, and keeps the default action from ending the process. Install it
// before any other thread starts. Returns false when it could not be set up.
bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler);

}  // namespace platform
