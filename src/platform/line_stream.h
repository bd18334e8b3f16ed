// A connection that carries lines one way and bytes the other, driven by
// an event loop: what the protocol's state machines talk through. The
// loop's TCP connection is one; tests give the protocol one in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/socket_calls.h"

namespace platform {

class LineStream {
 public:
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

  virtual ~LineStream() = default;

  virtual void SetEvents(Events events) = 0;
  // An accepted connection starts reading here, once its events are set.
  virtual void StartReading() = 0;
  // Queues `bytes` behind what is queued.
  virtual void Send(std::string bytes) = 0;
  // Bytes queued and not yet handed to the system: a producer holds back
  // while they pass its bound and goes on at `drained`.
  virtual std::size_t QueuedBytes() const = 0;
  // Drops what is queued; no callback after this.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  virtual Ipv4Address PeerAddress() const = 0;
  // The own end's address: the host's address on the interface used.
  virtual Ipv4Address LocalAddress() const = 0;
};

}  // namespace platform
