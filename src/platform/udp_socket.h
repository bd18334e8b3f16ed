// A UDP socket whose receive thread collects datagrams in a queue; sending
// is direct.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "platform/socket_base.h"

namespace platform {

struct Datagram {
  std::string bytes;
  Ipv4Address sender = 0;
  int senderPort = 0;
};

class UdpSocket : public SocketBase {
 public:
  // Longer datagrams end the receive thread (state 8).
  static constexpr int kMaxDatagram = 512;

  UdpSocket() = default;
  ~UdpSocket() override;

  // A datagram socket; 0, or 1 when socket() fails. State 2.
  int OpenSocket();
  // 0, or what the failing setsockopt returned.
  int EnableBroadcast();
  // The oldest queued datagram; false when none.
  bool TakeDatagram(Datagram& out);
  // One datagram from the caller's thread; returns what sendto returns.
  int SendTo(Ipv4Address address, int port, std::string_view bytes);

 protected:
  void ReceiveLoop(SocketHandle handle) override;
  void ResetBuffers() override;
  bool HasReceivedLocked() override;

 private:
  std::deque<Datagram> queue_;  // under mutex_
};

}  // namespace platform
