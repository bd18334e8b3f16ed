// A TCP connection on an event loop: whole lines in (each ends at CR LF; a
// lone CR or LF stays inside it), bytes out through a queue. Every call and
// every callback is on the loop's thread; nothing blocks.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/socket_calls.h"

namespace platform {

class StreamConnection {
 public:
  // The connection ends when this many bytes arrive without a line end.
  static constexpr std::size_t kMaxLineBytes = 16 << 20;

  struct Events {
    // Connect's outcome.
    std::function<void(bool connected)> connected = nullptr;
    // One line, without its CR LF. Reading pauses while it runs; the
    // callback may send, close or destroy the connection.
    std::function<void(std::string_view line)> line = nullptr;
    // Once: the peer ended the connection, a receive or send failed, or a
    // line grew too long. Not called for Close.
    std::function<void()> closed = nullptr;
    // Every queued byte has been handed to the system.
    std::function<void()> drained = nullptr;
  };

  explicit StreamConnection(EventLoop& loop);
  // Closes.
  ~StreamConnection();
  StreamConnection(const StreamConnection&) = delete;
  StreamConnection& operator=(const StreamConnection&) = delete;

  void SetEvents(Events events);
  // Starts connecting to a dotted address (no name lookup: nothing on the
  // loop may wait on a name service); `connected` tells the outcome, and
  // reading starts by itself on success.
  void Connect(Ipv4Address address, int port);
  // An accepted connection starts reading here, once its events are set.
  void StartReading();
  // Queues `bytes` behind what is queued.
  void Send(std::string bytes);
  // Bytes queued and not yet handed to the system: a producer holds back
  // while they pass its bound and goes on at `drained`.
  std::size_t QueuedBytes() const;
  // Drops what is queued; no callback after this.
  void Close();
  bool IsOpen() const;

  Ipv4Address PeerAddress() const;
  // The own end's address: the host's address on the interface used.
  Ipv4Address LocalAddress() const;

  struct State;
  // For the listener: takes an accepted socket.
  explicit StreamConnection(std::shared_ptr<State> state);

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform
