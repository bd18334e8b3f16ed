// Message text forms, name quoting and the two text forms, read back with
// the expression evaluator both as bramle reads them and as a peer that
// knows only plain form does.
#include "distributed/protocol_messages.h"

#include <gtest/gtest.h>

#include <random>

#include "distributed/protocol_text.h"
#include "peer_test_support.h"

namespace distributed {
namespace {

using protocol_test::LineReader;
using protocol_test::SplitLines;
using protocol_test::TestPeer;

TEST(ProtocolMessages, TextForms) {
  const struct {
    std::string line;
    std::string expected;
  } cases[] = {
      {FormatOk(), "OK()\r\n"},
      {FormatError(0, "no \"way\""), "ERR(0,\"no \\\"way\\\"\")\r\n"},
      {FormatError(1, "dir\\"), "ERR(1,\"dir\\\")\r\n"},  // an error text is always sent plain
      {FormatBuildConnection(2000, "HOST1"), "BuildConnection(T,2000,1,HOST1)\r\n"},
      {FormatBuildConnection(2000, "build-01"), "BuildConnection(T,2000,1,\"build-01\")\r\n"},
      {FormatBuildPhaseOpen("srv.example"), "BuildPhaseOpen(srv.example)\r\n"},
      {FormatBuildPhaseClose(), "BuildPhaseClose()\r\n"},
      {FormatBuildPhaseCancel(), "BuildPhaseCancel()\r\n"},
      {FormatCommandExec("cl \"a b.c\"", 0, "", ""), "CommandExec(\"cl \\\"a b.c\\\"\",0,\"\",\"\")\r\n"},
      {FormatCommandExec("link @x", 1, "x.rsp", "a\r\nb\"\r\n"),
       "CommandExec(\"link @x\",1,\"x.rsp\",\"a\rb\\\"\r\")\r\n"},
      {FormatCommandExec("x", 2, "", "end\\"), "CommandExec(\"x\",02,\"\",\"end\x10\x1c\")\r\n"},
      {FormatCommandExec("x", 2, "", "a\r\n\nb"), "CommandExec(\"x\",02,\"\",\"a\r\x10J\nb\")\r\n"},
      {FormatBuildClientConnect("PC01", 333), "BuildClientConnect(PC01,333)\r\n"},
      {FormatBuildClientConnect("build-01", 255), "BuildClientConnect(\"build-01\",255)\r\n"},
      {FormatBuildPhaseClientCancel(), "BuildPhaseClientCancel()\r\n"},
      {FormatCommandOut(0, "say \"hi\"\r\n"), "CommandOut(0,\"say \\\"hi\\\"\r\")\r\n"},
      {FormatCommandOut(1, "a\r\n\nb"), "CommandOut(1,\"a\r\")\r\nCommandOut(1,\"\nb\")\r\n"},
      {FormatCommandOut(0, "dir\\"), "CommandOut(00,\"dir\x10\x1c\")\r\n"},
      {FormatCommandOut(0, std::string("a\0b", 3)), "CommandOut(00,\"a\x10@b\")\r\n"},
      {FormatCommandOut(1, "50%\r60%"), "CommandOut(01,\"50%\r60%\")\r\n"},
      {FormatCommandOut(0, "\x83\x93\""), "CommandOut(0,\"\x83\x93\\\"\")\r\n"},  // a whole double-byte character
      {FormatCommandOut(0, "\x83\""), "CommandOut(00,\"\x10\xc3\\\"\")\r\n"},     // a lone lead byte
      // Lead bytes pair off from the start of their run.
      {FormatCommandOut(0, "a\x83\x83\""), "CommandOut(0,\"a\x83\x83\\\"\")\r\n"},
      {FormatCommandOut(0, "a\x83\x83\x83\""), "CommandOut(00,\"a\x83\x83\x10\xc3\\\"\")\r\n"},
      {FormatCommandExit(-1), "CommandExit(-1)\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.line, c.expected);
}

TEST(ProtocolMessages, NamesTravelBareOrQuoted) {
  const struct {
    std::string name;
    bool bare;
  } cases[] = {{"PC01", true},     {"srv.example.com", true}, {"\xE5\x90\x8D", true}, {"build-01", false},
               {"a_b", false},     {"two words", false},      {"", false},           {"a\"b", false}};
  LineReader reader;
  for (const auto& c : cases) {
    EXPECT_EQ(IsBareWord(c.name), c.bare) << c.name;
    const std::vector<std::string> lines = SplitLines(FormatBuildClientConnect(c.name, 7));
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_TRUE(reader.Read(lines[0])) << lines[0];
    EXPECT_EQ(reader.Arguments()[0], c.name);
  }
}

// Keeping back a final CR or backslashes until the next piece lets output
// cut anywhere travel plain.
TEST(ProtocolMessages, KeepingBackOutputEndsLetsItTravelPlain) {
  const struct {
    std::string output;
    std::size_t kept;
  } cases[] = {{"", 0}, {"abc", 0}, {"abc\r", 1}, {"abc\r\n", 0}, {"a\\\\", 2}, {"\\", 1}, {"\r\\", 1}};
  for (const auto& c : cases) EXPECT_EQ(OutputToKeepBack(c.output), c.kept) << testing::PrintToString(c.output);

  const std::string output = "one\r\n\ntwo \\\\ \"three\"\r\nfour\\";
  for (std::size_t cut = 0; cut <= output.size(); ++cut) {
    std::string pending, lines;
    const std::string polls[] = {output.substr(0, cut), output.substr(cut)};
    for (const std::string& poll : polls) {
      pending += poll;
      const std::size_t send = pending.size() - OutputToKeepBack(pending);
      lines += FormatCommandOut(0, pending.substr(0, send));
      pending.erase(0, send);
    }
    lines += FormatCommandOut(0, pending);  // the command has ended
    // Only the last piece, which ends in the backslash, needs exact form.
    std::string read, channels;
    LineReader reader;
    for (const std::string& line : SplitLines(lines)) {
      ASSERT_TRUE(reader.Read(line));
      channels += reader.Arguments()[0] + " ";
      read += ReadCommandOut(reader.Arguments()).text;
    }
    EXPECT_EQ(channels.find("00"), channels.size() - 3) << channels;
    EXPECT_EQ(read, output);
  }
}

// Lines a peer that knows only plain form sends are read as they always were.
TEST(ProtocolMessages, PlainLinesReadAsBefore) {
  LineReader reader;
  ASSERT_TRUE(reader.Read("CommandOut(0,\"50%\r60%\\\\x\")"));
  EXPECT_EQ(ReadCommandOut(reader.Arguments()).text, "50%\r\n60%\\\\x");
  ASSERT_TRUE(reader.Read("CommandExec(\"a\x10@\",2,\"n\",\"x\ry\x10@\")"));
  const CommandExecArguments read = ReadCommandExec(reader.Arguments());
  EXPECT_EQ(read.commandLine, "a\x10@");
  EXPECT_EQ(read.content, "x\r\ny\x10@");
}

// Every byte value, alone and beside the bytes that plain form handles
// specially; random texts rich in those (fixed seed); a long text that
// doubles in plain form.
std::vector<std::string> Texts() {
  const std::string special = std::string("\r\n\"\\\x10\x83\x5C\xFF", 8) + std::string(1, '\0');
  std::vector<std::string> texts;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    for (const std::string n : {"", "a", "\r\n", "\r\n\n"}) texts.insert(texts.end(), {n + byte, byte + n});
    for (const char n : special) texts.insert(texts.end(), {n + byte, byte + n});
  }
  std::mt19937 random(12);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < 20000; ++i) {
    std::string& text = texts.emplace_back();
    for (int n = byte(random) % 25; n > 0; --n) {
      text += byte(random) < 160 ? special[byte(random) % 9] : static_cast<char>(byte(random));
    }
  }
  texts.push_back(std::string(1 << 20, '"') + "\\");
  return texts;
}

// Output, inline content and the command line travel unchanged, read by
// the peer and the evaluator alike and, where sent plain, as a peer that
// knows only plain form reads them.
TEST(ProtocolMessages, EveryTextTravelsUnchanged) {
  TestPeer peer;
  LineReader evaluator;
  std::vector<std::string> arguments;  // of the last line, read alike by both
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
      ASSERT_EQ(ReadCommandOut(arguments).channel, 1);
      output += ReadCommandOut(arguments).text;
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
    ASSERT_EQ(std::vector<std::string>({exec.commandLine, exec.inlineName, exec.content}),
              std::vector<std::string>(3, text));
    ASSERT_EQ(exec.inlineKind, 2);
    if (!IsExactFormNumber(arguments[1])) {
      ASSERT_EQ(ReadPlain(arguments[3], true), text);
      ASSERT_EQ(ReadPlain(arguments[0], false), text);
    }
  }
}

}  // namespace
}  // namespace distributed
