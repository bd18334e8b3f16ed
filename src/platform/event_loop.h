// One event loop per process: the sockets, the listener, the timers and the
// tasks handed over from other threads all call back on the thread that
// runs it, so that what they drive needs no locks and no threads of its own.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class EventLoop {
 public:
  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Runs the callbacks on the calling thread until Stop, also while nothing
  // waits. A Stop before Run makes it return at once; it may be run again.
  void Run();
  // Any thread: Run returns once the callback in progress has returned.
  void Stop();
  // Any thread: `task` runs on the loop's thread, after those posted before.
  void Post(std::function<void()> task);

  // The system's loop, for the platform's own wrappers.
  struct Context;
  Context& GetContext() { return *context_; }

 private:
  std::unique_ptr<Context> context_;
};

}  // namespace platform
