// Ctrl+C and Ctrl+Break (SIGINT and SIGQUIT on Linux), and on request the
// end of the session: SIGTERM and SIGHUP on Linux, the console's close,
// logoff and shutdown on Windows.
#pragma once

#include <functional>

namespace platform {

enum class ConsoleEvent { CtrlC, CtrlBreak, Close };

// Calls `handler` for each Ctrl+C or Ctrl+Break, and with `withClose` for
// each request to end (ConsoleEvent::Close), on a thread other than the
// main one, and keeps the default action from ending the process. On
// Windows the process ends once the handler returns from a Close, so a
// handler that must finish first returns only when it has. Install it
// before any other thread starts. Returns false when it could not be set up.
bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler, bool withClose = false);

}  // namespace platform
