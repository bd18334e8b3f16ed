#include "exec/command_line.h"

#include <gtest/gtest.h>

#include "support/bramle_process.h"

namespace {

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

}  // namespace
