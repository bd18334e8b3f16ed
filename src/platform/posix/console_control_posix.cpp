#include "platform/console_control.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace platform {

bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler) {
  // Blocked in this thread and in every thread started later; one thread of
  // our own takes the signals with sigwait, so the handler may lock and print.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGQUIT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return false;
  std::thread([signals, handler = std::move(handler)] {
    for (;;) {
      int received = 0;
      if (sigwait(&signals, &received) != 0) continue;
      handler(received == SIGINT    ? ConsoleEvent::CtrlC
              : received == SIGQUIT ? ConsoleEvent::CtrlBreak
                                    : ConsoleEvent::Close);
    }
  }).detach();
  return true;
}

}  // namespace platform
