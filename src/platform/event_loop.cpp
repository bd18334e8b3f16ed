#include "platform/event_loop.h"

#include "platform/loop_context.h"

namespace platform {

EventLoop::EventLoop() : context_(std::make_unique<Context>()) {}

EventLoop::~EventLoop() = default;

void EventLoop::Run() {
  // An exception from a callback would end the loop for everyone: each
  // wrapper keeps its own inside, so none is expected here.
  context_->io.run();
  // Ready for another Run; a Stop that came before this one still ends it
  // at once.
  context_->io.restart();
}

void EventLoop::Stop() { context_->io.stop(); }

void EventLoop::Post(std::function<void()> task) { asio::post(context_->io, std::move(task)); }

}  // namespace platform
