// Random and extreme input facing the network: every line gets a parse
// result without crashing or hanging, and every random text travels both
// ways unchanged. Seeds and counts are fixed.
#include <gtest/gtest.h>

#include <random>

#include "dist/protocol_messages.h"
#include "peer_test_support.h"

namespace dist {
namespace {

using protocol_test::PeerPair;
using protocol_test::TestPeer;

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

// Lines mostly in the usual shape of a message (a name, literals and words
// separated by commas), some of them slightly off.
std::string RandomCallLine(std::mt19937& random) {
  static const std::vector<std::string> names = {"OK", "ERR", "CommandOut", "CommandExec", "BuildPhaseOpen",
                                                 "BuildConnection", "CommandExit", "Nope", "commandOut", " OK"};
  static const std::vector<std::string> words = {"0", "00", "01", "T", "2000", "build.01", "-1", "0x1F", "a b", ""};
  static const std::vector<std::string> separators = {",", ",", ",", ",", ", ", ",,", "+", ""};
  auto pick = [&random](const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
  };
  const std::string name = pick(names);
  const MessageRow* row = &MessageRowOf(kMessageNone);
  for (const MessageRow& candidate : MessageTable()) {
    if (name == candidate.name) row = &candidate;
  }
  // Mostly as many arguments as the name takes (ERR takes one more).
  int count = row->argumentCount + (row->kind == kMessageError ? 1 : 0);
  if (std::uniform_int_distribution<int>(0, 3)(random) == 0) count = std::uniform_int_distribution<int>(0, 5)(random);
  std::string line = name + "(";
  for (int i = count; i > 0; --i) {
    line += std::uniform_int_distribution<int>(0, 2)(random) == 0 ? pick(words) : "\"" + RandomText(random) + "\"";
    if (i > 1) line += pick(separators);
  }
  line += ")";
  if (std::uniform_int_distribution<int>(0, 9)(random) == 0) line += pick(separators);
  return line;
}

// The peer reads the usual shape without the evaluator: it must accept and
// reject the same lines and hand over the same texts.
TEST(ProtocolFuzz, PeerReadsLinesAsTheEvaluatorDoes) {
  TestPeer peer;
  protocol_test::LineReader evaluator;
  std::mt19937 random(14);
  int accepted = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = RandomCallLine(random);
    std::int32_t value = 0;
    const bool read = peer.ParseMessage(line, kMessageNone, value) == kParseAccepted;
    ASSERT_EQ(read, evaluator.Read(line)) << testing::PrintToString(line);
    if (!read) continue;
    ++accepted;
    // OK and ERR are the base peer's own; the test peer keeps the others.
    if (peer.LastKind() == kMessageError) {
      ASSERT_EQ(peer.ErrorText(), evaluator.Arguments()[1]) << testing::PrintToString(line);
    } else if (peer.LastKind() != kMessageOk) {
      ASSERT_EQ(peer.Arguments(), evaluator.Arguments()) << testing::PrintToString(line);
    }
  }
  EXPECT_GT(accepted, 2000);
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
    const int result = pair.server.ParseMessage(line, kMessageNone, value);
    ASSERT_TRUE(result == kParseAccepted || result == kParseGarbled) << testing::PrintToString(line);
    ASSERT_LE(pair.server.LastKind(), kMessageCommandExit);
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
