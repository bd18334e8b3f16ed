// A one-shot timer on an event loop: time-outs and announcements wait on it
// instead of a thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/event_loop.h"

namespace platform {

class LoopTimer {
 public:
  explicit LoopTimer(EventLoop& loop);
  // Cancels: `expired` is not called after.
  ~LoopTimer();
  LoopTimer(const LoopTimer&) = delete;
  LoopTimer& operator=(const LoopTimer&) = delete;

  // The loop's thread: calls `expired` on it once `milliseconds` have passed,
  // unless Cancel or another Start comes first (that call is then dropped).
  void Start(int milliseconds, std::function<void()> expired);
  void Cancel();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
