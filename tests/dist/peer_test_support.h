// Two protocol peers joined over loopback, each registering every message
// of the table that a side accepts and keeping the last arguments.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "dist/protocol_messages.h"
#include "dist/protocol_peer.h"
#include "platform/socket_test_support.h"

namespace protocol_test {

// Every byte value, then the line ends and backslashes that plain form
// treats specially.
inline std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes + "\\\r\n\n\r\\";
}

// A command's output by channel and its exit code (INT_MIN: no CommandExit).
struct CommandResult {
  std::string out;
  std::string err;
  int exitCode = INT_MIN;
};

using socket_testing::kHangGuardMs;

class TestPeer : public dist::ProtocolPeer {
 public:
  TestPeer() {
    for (int kind = dist::kMessageBuildConnection; kind <= dist::kMessageCommandExit; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
    SetReadLimit(kHangGuardMs);
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }
  using ProtocolPeer::RegisterMessage;

  // Reads one line with waiting and parses it as any kind; gives the kind,
  // or -1 when no line came.
  int ReadKind(std::string* line = nullptr) {
    std::string taken;
    if (ReadMessageLine(true, taken) != dist::kLineTaken) return -1;
    if (line) *line = taken;
    std::int32_t value = 0;
    return ParseMessage(taken, dist::kMessageNone, value) == dist::kParseAccepted ? LastKind() : 0;
  }

  // Collects CommandOut pieces until CommandExit; stops at any other line.
  CommandResult ReadCommandResult() {
    CommandResult result;
    for (int lines = 0; lines < 100000; ++lines) {
      const int kind = ReadKind();
      if (kind == dist::kMessageCommandExit) result.exitCode = dist::ArgumentNumber(arguments_[0]);
      if (kind != dist::kMessageCommandOut) break;
      const dist::CommandOutArguments piece = dist::ReadCommandOut(arguments_);
      (piece.channel == dist::kChannelStderr ? result.err : result.out) += piece.text;
    }
    return result;
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
    ASSERT_NO_FATAL_FAILURE(socket_testing::Listen(listener));
    ASSERT_EQ(client.Socket().OpenSocket(), 0);
    ASSERT_EQ(client.Socket().Connect("127.0.0.1", listener.Port()), 0);
    ASSERT_EQ(listener.Accept(server.Socket()), 0);
    ASSERT_EQ(client.Socket().WaitConnected(kHangGuardMs), platform::kSocketConnected);
    server.Socket().StartReceiving();
    server.Socket().StartSending();
  }
};

}  // namespace protocol_test
