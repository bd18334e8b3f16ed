#include "platform/loop_timer.h"

#include <chrono>

#include "platform/loop_context.h"

namespace platform {

struct LoopTimer::State {
  explicit State(asio::io_context& io) : timer(io) {}
  asio::steady_timer timer;
  // Which Start the pending wait belongs to: a cancelled wait whose
  // completion is already queued must not call the next one's callback.
  unsigned generation = 0;
};

LoopTimer::LoopTimer(EventLoop& loop) : state_(std::make_shared<State>(loop.GetContext().io)) {}

LoopTimer::~LoopTimer() { Cancel(); }

void LoopTimer::Start(int milliseconds, std::function<void()> expired) {
  Cancel();
  const unsigned generation = state_->generation;
  state_->timer.expires_after(std::chrono::milliseconds(milliseconds));
  state_->timer.async_wait([state = state_, generation, expired = std::move(expired)](const asio::error_code& error) {
    if (error || generation != state->generation) return;
    expired();
  });
}

void LoopTimer::Cancel() {
  ++state_->generation;
  state_->timer.cancel();
}

}  // namespace platform
