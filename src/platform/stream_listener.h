// A listening TCP socket on an event loop: each accepted connection is
// handed to a callback on the loop's thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/event_loop.h"
#include "platform/socket_calls.h"
#include "platform/stream_connection.h"

namespace platform {

class StreamListener {
 public:
  explicit StreamListener(EventLoop& loop);
  ~StreamListener();
  StreamListener(const StreamListener&) = delete;
  StreamListener& operator=(const StreamListener&) = delete;

  // Listens at `address` (0: any) and `port` (0: the system chooses).
  // False when the port cannot be bound.
  bool Listen(Ipv4Address address, int port);
  int Port() const;
  // Hands each accepted connection, not yet reading, to `accepted` until
  // Close.
  void StartAccepting(std::function<void(std::unique_ptr<StreamConnection>)> accepted);
  void Close();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
