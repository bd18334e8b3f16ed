// Random and extreme input facing the network: every line gets the same
// parse result from the peer as from the evaluator, and every text travels
// unchanged. Seeds and counts are fixed.
#include <gtest/gtest.h>

#include <random>

#include "distributed/protocol_messages.h"
#include "distributed/protocol_text.h"
#include "peer_test_support.h"

namespace distributed {
namespace {

using protocol_test::SplitLines;
using protocol_test::TestPeer;

const std::string kNul(1, '\0');

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
  for (const MessageRow& candidate : MessageTable()) if (name == candidate.name) row = &candidate;
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

// Every byte value, alone and beside the bytes that plain form handles
// specially; random texts rich in those; a long text that doubles in
// plain form.
std::vector<std::string> Texts() {
  const std::string neighbours[] = {"", "a", "\"", "\\", "\r", "\n", "\r\n", "\r\n\n", "\x83", "\x10", kNul};
  std::vector<std::string> texts;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    for (const std::string& n : neighbours) {
      texts.push_back(n + byte);
      texts.push_back(byte + n);
    }
  }
  std::mt19937 random(12);
  for (int i = 0; i < 20000; ++i) texts.push_back(RandomText(random));
  texts.push_back(std::string(1 << 20, '"') + "\\");
  return texts;
}

// Output, inline content and the command line, each read by the peer and
// by the evaluator alike and, where sent plain, as a peer that knows only
// plain form reads it.
TEST(ProtocolFuzz, EveryTextTravelsUnchanged) {
  TestPeer peer;
  protocol_test::LineReader evaluator;
  // The line's arguments, which the peer must read as the evaluator does.
  std::vector<std::string> arguments;
  const auto read = [&](const std::string& line, int kind, std::size_t count) {
    std::int32_t value = 0;
    arguments.clear();
    if (peer.ParseMessage(line, kind, value) != kParseAccepted || !evaluator.Read(line)) return false;
    arguments = peer.Arguments();
    return arguments == evaluator.Arguments() && arguments.size() == count;
  };
  for (const std::string& text : Texts()) {
    SCOPED_TRACE(testing::PrintToString(text.substr(0, 80)));
    std::string output, plain;
    bool allPlain = true;
    for (const std::string& line : SplitLines(FormatCommandOut(1, text))) {
      ASSERT_TRUE(read(line, kMessageCommandOut, 2)) << testing::PrintToString(line);
      const CommandOutArguments out = ReadCommandOut(arguments);
      ASSERT_EQ(out.channel, 1);
      output += out.text;
      plain += ReadPlain(arguments[1], true);
      allPlain = allPlain && !IsExactFormNumber(arguments[0]);
    }
    ASSERT_EQ(output, text);
    if (allPlain) {
      ASSERT_EQ(plain, text);
    }
    // A text that travels plain is sent as it always was.
    if (TravelsPlain(text, true)) {
      ASSERT_EQ(FormatCommandOut(1, text), "CommandOut(1," + QuotePlain(text, true) + ")\r\n");
    }

    const std::vector<std::string> lines = SplitLines(FormatCommandExec(text, 2, text, text));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_TRUE(read(lines[0], kMessageCommandExec, 4)) << testing::PrintToString(lines[0]);
    const CommandExecArguments exec = ReadCommandExec(arguments);
    ASSERT_EQ(exec.commandLine, text);
    ASSERT_EQ(exec.inlineKind, 2);
    ASSERT_EQ(exec.inlineName, text);
    ASSERT_EQ(exec.content, text);
    if (!IsExactFormNumber(arguments[1])) {
      ASSERT_EQ(ReadPlain(arguments[3], true), text);
      ASSERT_EQ(ReadPlain(arguments[0], false), text);
    }
  }
}

}  // namespace
}  // namespace distributed
