// Splitting and classifying command lines, and splitting output into lines.
#include "exec/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "exec/builtin_commands.h"
#include "exec/command_words.h"
#include "exec/line_splitter.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace {

using testing_support::Join;
using testing_support::Narrow;

// "program|argument|argument..." and a '>' at the end when the line
// redirects.
std::string Split(const std::string& line) {
  const exec::SplitCommand split = exec::SplitCommandLine(line);
  std::string text = split.program;
  for (const std::string& argument : split.arguments) text += "|" + argument;
  return split.redirection ? text + " >" : text;
}

TEST(SplitCommandLineTest, ProgramArgumentsAndRedirection) {
  const std::pair<std::string, std::string> cases[] = {
      {"cl /c a.c", "cl|/c|a.c"},
      {"cl /c a.c > log.txt", "cl|/c|a.c|>|log.txt >"},
      // Redirection characters stand alone, but the name ends at a space only.
      {"sort<in.txt|more>>out", "sort<in.txt|more>>out"},
      {"sort x<in.txt|more", "sort|x|<|in.txt|||more >"},
      // Quoted parts keep their quotes and hide what they hold.
      {"  \"my tool\" -o \"out dir\\x.obj\" a\"b c\"d", "\"my tool\"|-o|\"out dir\\x.obj\"|a\"b c\"d"},
      {"echo \"a > b\"", "echo|\"a > b\""},
      // An escaped quote in the program name does not shift the arguments.
      {"\"a\\\"b\" x y", "\"a\"b\"|x|y"},
      // In code page 932 the second byte of 表 is a backslash, which must
      // not escape the closing quote.
      {Narrow("\"C:\\表\" \"表\" > x"), Narrow("\"C:\\表\"|\"表\"|>|x >")},
      // Unbalanced quotes are ordinary characters.
      {"\"tool a b", "\"tool|a|b"},
      {"echo \"abc > x", "echo|\"abc|>|x >"},
      {"", ""},
      {"   ", ""},
      {"\t", ""},
      {"set", "set"},
      {"x a\tb  c ", "x|a\tb|c"},  // tabs inside arguments stay
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Split(line), expected) << line;
  EXPECT_EQ(exec::SplitCommandLine("  \"my tool\" -o \"out dir\\x.obj\" a\"b c\"d").argumentText,
            "-o \"out dir\\x.obj\" a\"b c\"d");
}

TEST(HasRedirectionTest, SeesTheProgramNameButNotQuotes) {
  EXPECT_TRUE(exec::HasRedirection("dir>out.txt"));
  EXPECT_TRUE(exec::HasRedirection("type a | more"));
  EXPECT_TRUE(exec::HasRedirection(Narrow("\"表\">x")));
  EXPECT_FALSE(exec::HasRedirection("echo \"a > b\""));
  EXPECT_FALSE(exec::HasRedirection("cl /c a.c"));
}

TEST(NeedsPosixShellTest, ShellSyntaxNeedsTheShell) {
  for (const char* line : {"rm *.o", "ls a?.c", "ls [ab].c", "cd ~", "a; b", "a && b", "echo $HOME",
                           "echo 'x'", "echo `date`", "(cd x)", "a\nb", "CC=gcc make", "export X=1",
                           "while true", ". ./env.sh"}) {
    EXPECT_TRUE(exec::NeedsPosixShell(line)) << line;
  }
  for (const char* line : {"cc -c a.c -o a.o", "cc \"-DX=a b\" a.c", "tool --opt=value", "./build.sh"}) {
    EXPECT_FALSE(exec::NeedsPosixShell(line)) << line;
  }
}

// What a program gets from a line as the direct runner of each family would
// start it, and from a response file.
TEST(CommandWordsTest, ArgumentsAsTheProgramGetsThem) {
  using platform::ProcessorFamily;
  constexpr ProcessorFamily kShell = ProcessorFamily::PosixShell;
  constexpr ProcessorFamily kCmd = ProcessorFamily::Cmd;
  const std::tuple<ProcessorFamily, std::string, std::string> lines[] = {
      // A direct start: the C runtime's rules on either platform.
      {kShell, "cc -c \"a b.c\" -DX=\\\"y\\\" dir\\x.c", "cc|-c|a b.c|-DX=\"y\"|dir\\x.c"},
      {kCmd, "\"C:\\my cc\\cl.exe\" /c a.c", "C:\\my cc\\cl.exe|/c|a.c"},
      // Through the shell: its words, up to the first operator.
      {kShell, "cc '-DS=\"a b\"' \"$X\\$\" a\\ b.c && echo", "cc|-DS=\"a b\"|$X$|a b.c"},
      {kShell, "cc -c a.c 2>err.txt", "cc|-c|a.c"},
      {kShell, "cc -c \"2\">x", "cc|-c|2"},
      {kShell, "cc -c a.c; rm x", "cc|-c|a.c"},
      // Through cmd.exe: the text before the redirection, as the runtime splits it.
      {kCmd, "cl /c a.c 2>err.txt", "cl|/c|a.c"},
      {kCmd, "cl /c \"x>y.c\" > log", "cl|/c|x>y.c"},
  };
  for (const auto& [family, line, expected] : lines) {
    EXPECT_EQ(Join(exec::ProgramArguments(line, family), "|"), expected) << line;
  }
  EXPECT_EQ(Join(exec::ResponseFileArguments("main.o\n'a b.o' \"c\\\"d\"\n", kShell), "|"), "main.o|a b.o|c\"d");
  EXPECT_EQ(Join(exec::ResponseFileArguments("/c\r\n\"a b.c\" x\\y.c\r\n", kCmd), "|"), "/c|a b.c|x\\y.c");
}

// Only "set" has a handler. A name is found in any letter case, never in
// quotes.
TEST(BuiltinCommandsTest, FoundInAnyCaseOnlySetHasAHandler) {
  EXPECT_NE(exec::FindBuiltin("SET")->handler, nullptr);
  for (const char* name : {"ECHO", "Copy", "erase", "vol"}) {
    ASSERT_NE(exec::FindBuiltin(name), nullptr) << name;
    EXPECT_EQ(exec::FindBuiltin(name)->handler, nullptr) << name;
  }
  for (const char* name : {"\"echo\"", "echoes", ""}) EXPECT_EQ(exec::FindBuiltin(name), nullptr) << name;
}

TEST(BuiltinCommandsTest, IsShellCommandIsALooseSubstringTestAfterTheLastSeparator) {
  EXPECT_TRUE(exec::IsShellCommand("echo x"));
  EXPECT_TRUE(exec::IsShellCommand("cl model.c"));  // contains "del"
  EXPECT_FALSE(exec::IsShellCommand("ECHO x"));     // case counts
  EXPECT_FALSE(exec::IsShellCommand("cl /c a.c"));
  EXPECT_TRUE(exec::IsShellCommand(testing_support::NativePath("C:\\tools\\echo.exe x")));
  EXPECT_FALSE(exec::IsShellCommand(testing_support::NativePath("C:\\echo\\cl.exe")));
  EXPECT_FALSE(exec::IsShellCommand(""));
  // In code page 932 the second byte of 表 is a backslash; it separates nothing.
  EXPECT_TRUE(exec::IsShellCommand(testing_support::NativePath(testing_support::Narrow("x\\echo表 y"))));
}

// The refusal reads the program name only, as the processor does.
TEST(BuiltinCommandsTest, IsBuiltinCommandLineLooksAtTheProgramOnly) {
  for (const char* line : {"del x", "DEL x", "  Echo hello", "echo.", "cd..", "del/q x", "dir>out.txt", "\"copy\" a b",
                           "C:\\tools\\del x"}) {
    EXPECT_TRUE(exec::IsBuiltinCommandLine(testing_support::NativePath(line))) << line;
  }
  for (const char* line :
       {"cl model.c", "gcc -c render.c", "cl /c a.c", "deltree x", "\"my del\" x", "", "   ", "C:\\del\\cl.exe x"}) {
    EXPECT_FALSE(exec::IsBuiltinCommandLine(testing_support::NativePath(line))) << line;
  }
}

// Each feed gives the whole lines it completes as one piece; the rest waits.
// Long lines take the forward search for the last line feed.
TEST(LineSplitterTest, PiecesEndAtTheLastLineFeed) {
  const std::string longLine(300, 'x');
  const struct {
    std::vector<std::string> feeds;
    std::vector<std::string> pieces;  // one per feed
    std::string rest;
  } cases[] = {
      {{"ab", "c\r", "\nd\n\nef", "g"}, {"", "", "abc\r\nd\n\n", ""}, "efg"},
      {{std::string("a\0b\n", 4) + longLine, "\n" + longLine}, {std::string("a\0b\n", 4), longLine + "\n"}, longLine},
      {{"1\n2\n" + longLine + "\n" + longLine}, {"1\n2\n" + longLine + "\n"}, longLine},
      {{"a\n" + longLine + "\n"}, {"a\n" + longLine + "\n"}, ""},
  };
  for (const auto& c : cases) {
    exec::LineSplitter splitter;
    for (size_t i = 0; i < c.feeds.size(); ++i) {
      splitter.Buffer() += c.feeds[i];
      EXPECT_EQ(splitter.TakeLines(), c.pieces[i]) << i;
    }
    EXPECT_EQ(splitter.TakeRest(), c.rest);
    EXPECT_EQ(splitter.TakeRest(), "");
  }
}

}  // namespace
