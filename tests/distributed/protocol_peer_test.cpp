// ProtocolPeer: parsing, reading lines and waiting for replies, with two
// peers talking over loopback in one process (a whole conversation is in
// the wire peer test).
#include "distributed/protocol_peer.h"

#include <gtest/gtest.h>

#include <climits>

#include "distributed/protocol_messages.h"
#include "peer_test_support.h"

namespace distributed {
namespace {

using protocol_test::kHangGuardMs;
using protocol_test::PeerPair;
using protocol_test::TestPeer;

TEST(ProtocolPeer, ParseMessage) {
  const struct {
    std::string line;
    int expectedKind;
    int result;
    int lastKind;
    std::int32_t value;
  } cases[] = {
      {"OK()", kMessageOk, kParseAccepted, kMessageOk, 0},
      {"OK()", kMessageNone, kParseAccepted, kMessageOk, 0},
      {"OK()", kMessageError, kParseOtherKind, kMessageOk, 0},
      {"BuildConnection(T,2000,1,HOST)", kMessageBuildConnection, kParseAccepted, kMessageBuildConnection, 0},
      {"BuildPhaseOpen(\"build-01\")", kMessageBuildPhaseOpen, kParseAccepted, kMessageBuildPhaseOpen, 0},
      {"BuildPhaseOpen(build-01)", kMessageBuildPhaseOpen, kParseGarbled, kMessageNone, 0},
      {"CommandExit(1)+1", kMessageCommandExit, kParseAccepted, kMessageCommandExit, 1},
      {"CommandExit(CommandExit(2))", kMessageCommandExit, kParseAccepted, kMessageCommandExit, 0},
      {std::string("OK()\0junk", 9), kMessageOk, kParseAccepted, kMessageOk, 0},
      // Garbled: nothing, no call, unregistered names, wrong counts, an
      // unclosed text, left-over tokens (the fuzz test adds unknown names).
      {"", kMessageNone, kParseGarbled, kMessageNone, 0},
      {std::string("\0OK()", 5), kMessageNone, kParseGarbled, kMessageNone, 0},
      {"5", kMessageNone, kParseGarbled, kMessageNone, 5},
      {"_DebugMessage(\"x\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"__PassiveConnect(a,1)", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"OK(1)", kMessageNone, kParseGarbled, kMessageOk, 0},  // the call ran, the line has two values
      {"ERR(1)", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandOut(0,\"abc\\\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"OK() OK()", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"OK()+1", kMessageNone, kParseGarbled, kMessageOk, 0},
  };
  TestPeer peer;
  for (const auto& c : cases) {
    std::int32_t value = -7;
    EXPECT_EQ(peer.ParseMessage(c.line, c.expectedKind, value), c.result) << testing::PrintToString(c.line);
    EXPECT_EQ(peer.LastKind(), c.lastKind) << testing::PrintToString(c.line);
    if (c.result != kParseGarbled) {
      EXPECT_EQ(value, c.value) << c.line;
    }
  }
}

TEST(ProtocolPeer, RegistersOnlyNamesASideAccepts) {
  TestPeer peer;
  const auto ignore = [](const std::vector<std::string>&) {};
  EXPECT_EQ(peer.RegisterMessage(kMessageCommandOut, ignore), 0);
  for (const int kind : std::initializer_list<int>{0, kMessagePassiveConnect, kMessageDebug, kMessageTableEnd, 99}) {
    EXPECT_EQ(peer.RegisterMessage(kind, ignore), 1) << kind;
  }
}

TEST(ProtocolPeer, ErrKeepsClassAndText) {
  const struct {
    std::string line;
    std::int32_t errorClass;
    std::string text;
  } cases[] = {{"ERR(1,11)", 1, "11"},
               {"ERR(0,\"refused \\\"now\\\"\")", 0, "refused \"now\""},
               {"ERR(99999999999,x)", INT_MAX, "x"},
               {"ERR(-3,\"\")", -3, ""}};
  TestPeer peer;
  for (const auto& c : cases) {
    std::int32_t value = 0;
    ASSERT_EQ(peer.ParseMessage(c.line, kMessageError, value), kParseAccepted) << c.line;
    EXPECT_EQ(peer.ErrorClass(), c.errorClass);
    EXPECT_EQ(peer.ErrorText(), c.text);
  }
}

TEST(ProtocolPeer, ServerReadLimitDoesNotOverflow) {
  EXPECT_EQ(ServerReadLimitMs(false, 5), kNoReadLimit);
  EXPECT_EQ(ServerReadLimitMs(true, 5), 300000);
  EXPECT_EQ(ServerReadLimitMs(true, INT_MAX), INT_MAX);
}

TEST(ProtocolPeer, WaitReplyOutcomes) {
  const struct {
    std::string sent;  // then the server closes when `close` is set
    bool close;
    ReplyOutcome outcome;
  } cases[] = {
      {"OK()\r\n", false, ReplyOutcome::Ok},
      {"ERR(0,\"no\")\r\n", false, ReplyOutcome::Error},
      {"OK(\r\n", false, ReplyOutcome::Garbled},
      {"_DebugMessage(\"x\")\r\n", false, ReplyOutcome::Garbled},
      {"BuildPhaseClose()\r\n", false, ReplyOutcome::Unexpected},
      {"OK()", true, ReplyOutcome::NoReply},
  };
  for (const auto& c : cases) {
    PeerPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Connect());
    pair.server.SendLine(c.sent);
    if (c.close) pair.server.Socket().CloseSocket();
    EXPECT_EQ(pair.client.WaitReply(), c.outcome) << c.sent;
  }
}

TEST(ProtocolPeer, ReadMessageLine) {
  PeerPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  std::string line = "old";
  EXPECT_EQ(pair.client.ReadMessageLine(false, line), kLineNone);
  EXPECT_EQ(line, "");
  // Wake ends a wait without a line.
  pair.client.Socket().Wake();
  EXPECT_EQ(pair.client.ReadMessageLine(true, line), kLineNone);
  // Lines sent before the peer closed are still taken; then the connection
  // is lost and closed.
  pair.server.SendLine("OK()\r\n");
  pair.server.Socket().WaitSent(kHangGuardMs);
  pair.server.Socket().CloseSocket();
  EXPECT_EQ(pair.client.ReadKind(), kMessageOk);
  EXPECT_EQ(pair.client.ReadMessageLine(true, line), kLineLost);
  EXPECT_EQ(pair.client.Socket().State(), platform::kSocketClosed);
  EXPECT_EQ(pair.client.SendLine("OK()\r\n"), 1);
}

// A read that runs out of time, and a line that never ends (receiving stops
// at the cap instead of filling memory), close the connection.
TEST(ProtocolPeer, LimitsEndTheConnection) {
  PeerPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  pair.server.SetReadLimit(0);
  std::string line;
  EXPECT_EQ(pair.server.ReadMessageLine(false, line), kLineNone);
  EXPECT_EQ(pair.server.ReadMessageLine(true, line), kLineTimedOut);
  EXPECT_EQ(pair.server.Socket().State(), platform::kSocketClosed);
  PeerPair waiting;
  ASSERT_NO_FATAL_FAILURE(waiting.Connect());
  waiting.client.SetReadLimit(1);
  EXPECT_EQ(waiting.client.WaitReply(), ReplyOutcome::NoReply);
  EXPECT_EQ(waiting.client.Socket().State(), platform::kSocketClosed);
  PeerPair endless;
  ASSERT_NO_FATAL_FAILURE(endless.Connect());
  endless.client.SendLine("CommandOut(0,\"" + std::string(platform::TcpSocket::kMaxLineBytes, 'x'));
  EXPECT_EQ(endless.server.ReadMessageLine(true, line), kLineLost);
}

TEST(ProtocolPeer, DatagramLines) {
  const struct {
    std::string datagram;
    bool taken;
    std::string line;
  } cases[] = {{"BuildConnection(T,2000,1,H)\r\n", true, "BuildConnection(T,2000,1,H)"},
               {"a\rb\r\nrest", true, "a\rb"},
               {"BuildConnection(T,2000,1,H)", false, ""},
               {"\n\r", false, ""}};
  for (const auto& c : cases) {
    std::string line;
    EXPECT_EQ(DatagramLine(c.datagram, line), c.taken) << c.datagram;
    EXPECT_EQ(line, c.line);
  }
}

}  // namespace
}  // namespace distributed
