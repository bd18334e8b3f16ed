// The shared state of a StreamConnection: the callbacks in flight hold it,
// so that a connection destroyed inside one of them stays valid until they
// return.
#pragma once

#include <deque>
#include <string>

#include "platform/loop_context.h"
#include "platform/stream_connection.h"

namespace platform {

struct StreamConnection::State : std::enable_shared_from_this<StreamConnection::State> {
  explicit State(asio::io_context& io) : socket(io) {}

  void Read();
  // Gives out the whole lines received, then reads on.
  void Received();
  void Write();
  // Ends the connection: `closed` is called when `tell`.
  void End(bool tell);

  asio::ip::tcp::socket socket;
  // Replaced whole by SetEvents, also from inside a callback: the one
  // running keeps its own reference.
  std::shared_ptr<const Events> events = std::make_shared<const Events>();
  bool open = false;
  bool reading = false;
  // Bytes received from `received[start]` to `received[end]`, not yet given
  // out as lines; no line end lies before `searchFrom`. The room beyond
  // `end` is where the next receive writes.
  std::string received;
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t searchFrom = 0;
  std::deque<std::string> queue;
  std::size_t queuedBytes = 0;
  bool writing = false;
};

}  // namespace platform
