// A TCP connection on an event loop: whole lines in (each ends at CR LF; a
// lone CR or LF stays inside it), bytes out through a queue. Every call and
// every callback is on the loop's thread; nothing blocks.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "platform/line_stream.h"
#include "platform/socket_calls.h"

namespace platform {

class StreamConnection : public LineStream {
 public:
  // The connection ends when this many bytes arrive without a line end.
  static constexpr std::size_t kMaxLineBytes = 16 << 20;

  explicit StreamConnection(EventLoop& loop);
  // Closes.
  ~StreamConnection() override;
  StreamConnection(const StreamConnection&) = delete;
  StreamConnection& operator=(const StreamConnection&) = delete;

  void SetEvents(Events events) override;
  // Starts connecting to a dotted address (no name lookup: nothing on the
  // loop may wait on a name service); `connected` tells the outcome, and
  // reading starts by itself on success.
  void Connect(Ipv4Address address, int port);
  void StartReading() override;
  void Send(std::string bytes) override;
  std::size_t QueuedBytes() const override;
  void Close() override;
  bool IsOpen() const override;

  Ipv4Address PeerAddress() const override;
  Ipv4Address LocalAddress() const override;

  struct State;
  // For the listener: takes an accepted socket.
  explicit StreamConnection(std::shared_ptr<State> state);

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform
