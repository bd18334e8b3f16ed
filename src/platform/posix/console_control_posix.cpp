#include "platform/console_control.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace platform {

bool InstallConsoleControlHandler(std::function<void(ConsoleEvent)> handler, bool withClose) {
  // Blocked in this thread and in every thread started later; one thread of
  // our own takes the signals with sigwait, so the handler may lock and print.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGQUIT);
  if (withClose) {
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
  }
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) return false;
  std::thread([signals, handler = std::move(handler)] {
    for (;;) {
      int received = 0;
      if (sigwait(&signals, &received) != 0) continue;
      switch (received) {
        case SIGINT:
          handler(ConsoleEvent::CtrlC);
          break;
        case SIGQUIT:
          handler(ConsoleEvent::CtrlBreak);
          break;
        default:
          handler(ConsoleEvent::Close);
          break;
      }
    }
  }).detach();
  return true;
}

}  // namespace platform
