// Two protocol peers joined over loopback, each registering every message
// of the table that a side accepts and keeping the last arguments.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dist/protocol_peer.h"

namespace protocol_test {

// Bounds every wait of a test, only so that a fault fails instead of hanging.
inline constexpr int kHangGuardMs = 30000;

class TestPeer : public dist::ProtocolPeer {
 public:
  TestPeer() {
    for (int kind = dist::kMessageBuildConnection; kind <= dist::kMessageCommandExit; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
    SetReadLimit(kHangGuardMs);
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }

  // Reads one line with waiting and parses it as any kind; gives the kind,
  // or -1 when no line came.
  int ReadKind(std::string* line = nullptr) {
    std::string taken;
    if (ReadMessageLine(true, taken) != dist::kLineTaken) return -1;
    if (line) *line = taken;
    std::int32_t value = 0;
    return ParseMessage(taken, dist::kMessageNone, value) == dist::kParseAccepted ? LastKind() : 0;
  }

 private:
  std::vector<std::string> arguments_;
};

// A server peer and a client peer connected through a listener on
// 127.0.0.1.
struct PeerPair {
  platform::TcpSocket listener;
  TestPeer server;
  TestPeer client;

  void Connect() {
    ASSERT_EQ(listener.OpenSocket(), 0);
    ASSERT_EQ(listener.Bind("127.0.0.1", 0), 0);
    ASSERT_EQ(listener.Listen(5), 0);
    ASSERT_EQ(client.Socket().OpenSocket(), 0);
    ASSERT_EQ(client.Socket().Connect("127.0.0.1", listener.Port()), 0);
    ASSERT_EQ(listener.Accept(server.Socket()), 0);
    ASSERT_EQ(client.Socket().WaitConnected(kHangGuardMs), platform::kSocketConnected);
    server.Socket().StartReceiving();
    server.Socket().StartSending();
  }
};

}  // namespace protocol_test
