// A UDP socket on an event loop: each datagram that arrives is handed to a
// callback on the loop's thread; sending is direct.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/socket_calls.h"

namespace platform {

class DatagramPort {
 public:
  // Called with each datagram (up to 64 KB, longer ones cut there), its
  // sender's address and port.
  using Received = std::function<void(std::string_view bytes, Ipv4Address sender, int senderPort)>;

  explicit DatagramPort(EventLoop& loop);
  ~DatagramPort();
  DatagramPort(const DatagramPort&) = delete;
  DatagramPort& operator=(const DatagramPort&) = delete;

  // Binds to `address` (0: any) and `port` (0: the system chooses), allows
  // broadcasts and starts receiving. False when the socket cannot be made
  // or bound.
  bool Open(Ipv4Address address, int port, Received received);
  int Port() const;
  bool IsOpen() const;
  // One datagram; false when the system did not take it whole.
  bool SendTo(Ipv4Address address, int port, std::string_view bytes);
  // No callback after this.
  void Close();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace platform
