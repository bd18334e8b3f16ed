// MessageReader: parsing messages and sorting replies (whole conversations
// are in the wire peer and the client and server tests).
#include "distributed/message_reader.h"

#include <gtest/gtest.h>

#include <climits>

#include "distributed/protocol_messages.h"
#include "peer_test_support.h"

namespace distributed {
namespace {

using protocol_test::TestPeer;

TEST(MessageReader, ParseMessage) {
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
      // unclosed text, left-over tokens.
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
      // Just off the usual shape: left to the evaluator, which may accept.
      {" OK()", kMessageNone, kParseAccepted, kMessageOk, 0},
      {"OK( )", kMessageNone, kParseAccepted, kMessageOk, 0},
      {"CommandOut(0, \"a b\") ", kMessageNone, kParseAccepted, kMessageCommandOut, 0},
      {"CommandExit(-1)", kMessageNone, kParseAccepted, kMessageCommandExit, 0},
      {"CommandExit(0x1F)", kMessageNone, kParseAccepted, kMessageCommandExit, 0},
      {"Nope()", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"commandOut(0,\"x\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"OK())", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandOut(0)", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandOut(,\"x\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandOut(0+\"x\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandOut(0,x\"y\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"ERR(1,,x)", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"ERR(1,\"a\"", kMessageNone, kParseGarbled, kMessageNone, 0},
      {"CommandExit(\"x\"\")", kMessageNone, kParseGarbled, kMessageNone, 0},
      {std::string("CommandExit(\"a\0b\")", 18), kMessageNone, kParseGarbled, kMessageNone, 0},
      {"BuildPhaseClose(" + std::string(40, 'x') + ",\"" + std::string(40, 'y') + "\",z)", kMessageNone, kParseGarbled,
       kMessageBuildPhaseClose, 0},
      // In the usual shape: read without the evaluator.
      {"CommandExec(\"a\",02,build.01,\"\\\"\r\n\")", kMessageNone, kParseAccepted, kMessageCommandExec, 0},
      {"ERR(00,\"x\\\"\")", kMessageNone, kParseAccepted, kMessageError, 0},
  };
  // The peer reads the usual shape without the evaluator: it must accept
  // and reject the lines the evaluator does and hand over the same texts.
  TestPeer peer;
  protocol_test::LineReader evaluator;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.line));
    std::int32_t value = -7;
    EXPECT_EQ(peer.ParseMessage(c.line, c.expectedKind, value), c.result);
    EXPECT_EQ(peer.LastKind(), c.lastKind);
    ASSERT_EQ(evaluator.Read(c.line), c.result != kParseGarbled);
    if (c.result == kParseGarbled) continue;
    EXPECT_EQ(value, c.value);
    if (c.lastKind == kMessageError) {
      EXPECT_EQ(peer.ErrorText(), evaluator.Arguments()[1]);
    } else if (c.lastKind != kMessageOk) {
      EXPECT_EQ(peer.Arguments(), evaluator.Arguments());
    }
  }
}

TEST(MessageReader, RegistersOnlyNamesASideAccepts) {
  TestPeer peer;
  const auto ignore = [](const std::vector<std::string>&) {};
  EXPECT_EQ(peer.RegisterMessage(kMessageCommandOut, ignore), 0);
  for (const int kind : std::initializer_list<int>{0, kMessagePassiveConnect, kMessageDebug, kMessageTableEnd, 99}) {
    EXPECT_EQ(peer.RegisterMessage(kind, ignore), 1) << kind;
  }
}

TEST(MessageReader, ErrKeepsClassAndText) {
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

TEST(MessageReader, ServerReadLimitDoesNotOverflow) {
  EXPECT_EQ(ServerReadLimitMs(false, 5), kNoReadLimit);
  EXPECT_EQ(ServerReadLimitMs(true, 5), 300000);
  EXPECT_EQ(ServerReadLimitMs(true, INT_MAX), INT_MAX);
}

TEST(MessageReader, ClassifyReply) {
  const struct {
    std::string line;
    ReplyOutcome outcome;
  } cases[] = {
      {"OK()", ReplyOutcome::Ok},
      {"ERR(0,\"no\")", ReplyOutcome::Error},
      {"OK(", ReplyOutcome::Garbled},
      {"_DebugMessage(\"x\")", ReplyOutcome::Garbled},
      {"BuildPhaseClose()", ReplyOutcome::Unexpected},
  };
  TestPeer peer;
  for (const auto& c : cases) EXPECT_EQ(peer.ClassifyReply(c.line), c.outcome) << c.line;
}

TEST(MessageReader, DatagramLines) {
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
