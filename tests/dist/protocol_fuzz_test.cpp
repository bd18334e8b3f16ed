// Random and extreme input facing the network: every line gets one of the
// three parse results without crashing or hanging, and every random text
// travels both ways unchanged. Seeds and counts are fixed.
#include <gtest/gtest.h>

#include <random>

#include "dist/protocol_messages.h"
#include "peer_test_support.h"
#include "protocol_test_support.h"

namespace dist {
namespace {

using protocol_test::PeerPair;
using protocol_test::TestPeer;

// Pieces that message-shaped lines are made of.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      "OK(", "ERR(", "BuildConnection(", "BuildPhaseOpen(", "CommandExec(", "BuildClientConnect(", "CommandOut(",
      "CommandExit(", "_DebugMessage(", "__PassiveConnect(", "Nope(", "(", ")", ")", ",", ",", "T", "0", "00", "01",
      "-1", "4294967296", "99999999999999999999", "build-01", "\"", "\"text\"", "\"\"", "\\\"", "\\", " ", "+",
      "==", std::string(1, '\0'), "\x10", "\r", "\n", "\x83", "\x83\x5C", "\xFF"};
  return pieces;
}

std::string RandomLine(std::mt19937& random) {
  const auto& pieces = Pieces();
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::string line;
  for (int i = std::uniform_int_distribution<int>(0, 30)(random); i > 0; --i) line += pieces[pick(random)];
  return line;
}

// Texts rich in the bytes that plain form treats specially.
std::string RandomText(std::mt19937& random) {
  static const std::string special = std::string("\r\n\"\\\x10\x83\x5C\xFF", 8) + std::string(1, '\0');
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<std::size_t> pick(0, special.size() - 1);
  std::string text;
  for (int i = std::uniform_int_distribution<int>(0, 24)(random); i > 0; --i) {
    text += byte(random) < 160 ? special[pick(random)] : static_cast<char>(byte(random));
  }
  return text;
}

TEST(ProtocolFuzz, RandomLinesGetAParseResult) {
  TestPeer peer;
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    const std::string line = RandomLine(random);
    std::int32_t value = 0;
    const int result = peer.ParseMessage(line, i % 12, value);
    ASSERT_TRUE(result == kParseAccepted || result == kParseGarbled || result == kParseOtherKind);
    ASSERT_LE(peer.LastKind(), kMessageCommandExit) << testing::PrintToString(line);
    if (result != kParseGarbled && peer.LastKind() == kMessageCommandExec) ReadCommandExec(peer.Arguments());
    if (result != kParseGarbled && peer.LastKind() == kMessageCommandOut) ReadCommandOut(peer.Arguments());
  }
}

TEST(ProtocolFuzz, RandomTextsTravelUnchanged) {
  TestPeer peer;
  std::mt19937 random(12);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = RandomText(random);
    std::string output;
    for (const std::string& line : protocol_test::SplitLines(FormatCommandOut(0, text))) {
      std::int32_t value = 0;
      ASSERT_EQ(peer.ParseMessage(line, kMessageCommandOut, value), kParseAccepted) << testing::PrintToString(text);
      output += ReadCommandOut(peer.Arguments()).text;
    }
    ASSERT_EQ(output, text);
    const std::vector<std::string> lines = protocol_test::SplitLines(FormatCommandExec(text, 2, text, text));
    ASSERT_EQ(lines.size(), 1u);
    std::int32_t value = 0;
    ASSERT_EQ(peer.ParseMessage(lines[0], kMessageCommandExec, value), kParseAccepted) << testing::PrintToString(text);
    const CommandExecArguments exec = ReadCommandExec(peer.Arguments());
    ASSERT_EQ(exec.commandLine, text);
    ASSERT_EQ(exec.inlineName, text);
    ASSERT_EQ(exec.content, text);
  }
}

// Random bytes, long lines and a megabyte of output through a real
// connection: each line is read whole and parsed once.
TEST(ProtocolFuzz, RandomStreamsOverLoopback) {
  PeerPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  std::mt19937 random(13);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) {
    std::string line;
    const int length = std::uniform_int_distribution<int>(0, 300)(random);
    for (int n = 0; n < length; ++n) line += static_cast<char>(byte(random));
    for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n")) line.erase(at, 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  const std::string megabyte(1 << 20, 'x');
  lines.push_back(megabyte);
  lines.push_back("\"" + megabyte);
  const std::string big = FormatCommandOut(1, megabyte + "\\");
  for (const std::string& line : lines) pair.client.SendLine(line + "\r\n");
  pair.client.SendLine(big);
  for (const std::string& expected : lines) {
    std::string line;
    ASSERT_EQ(pair.server.ReadMessageLine(true, line), kLineTaken);
    ASSERT_EQ(line, expected);
    std::int32_t value = 0;
    pair.server.ParseMessage(line, kMessageNone, value);
  }
  std::string output;
  for (std::size_t i = 0; i < protocol_test::SplitLines(big).size(); ++i) {
    ASSERT_EQ(pair.server.ReadKind(), kMessageCommandOut);
    output += ReadCommandOut(pair.server.Arguments()).text;
  }
  EXPECT_EQ(output, megabyte + "\\");
}

}  // namespace
}  // namespace dist
