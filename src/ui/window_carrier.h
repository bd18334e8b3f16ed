// The server and the client call their views on threads of their own; a
// window deals with them on its own thread. A carrier queues each call there.
#pragma once

#include <functional>

namespace ui {

class WindowCarrier {
 public:
  virtual ~WindowCarrier() = default;
  // Queues `call` for the window's thread and returns at once, so that what
  // the window does (a message box) never holds up the caller; on that
  // thread itself it runs at once. Posted calls run in the order they were
  // posted; none once the window has gone.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace ui
