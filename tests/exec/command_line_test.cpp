#include "exec/command_line.h"

#include <gtest/gtest.h>

#include "support/bramle_process.h"

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitCommandLineTest, ProgramArgumentsAndRedirection) {
  exec::SplitCommand plain = exec::SplitCommandLine("cl /c a.c");
  EXPECT_EQ(plain.program, "cl");
  EXPECT_EQ(plain.arguments, (Arguments{"/c", "a.c"}));
  EXPECT_FALSE(plain.redirection);

  exec::SplitCommand redirected = exec::SplitCommandLine("cl /c a.c > log.txt");
  EXPECT_EQ(redirected.program, "cl");
  EXPECT_EQ(redirected.arguments, (Arguments{"/c", "a.c", ">", "log.txt"}));
  EXPECT_TRUE(redirected.redirection);
}

TEST(SplitCommandLineTest, RedirectionCharactersStandAlone) {
  exec::SplitCommand split = exec::SplitCommandLine("sort<in.txt|more>>out");
  EXPECT_EQ(split.program, "sort<in.txt|more>>out");  // the name ends at a space only
  EXPECT_FALSE(split.redirection);

  split = exec::SplitCommandLine("sort x<in.txt|more");
  EXPECT_EQ(split.arguments, (Arguments{"x", "<", "in.txt", "|", "more"}));
  EXPECT_TRUE(split.redirection);
}

TEST(SplitCommandLineTest, QuotedPartsKeepTheirQuotes) {
  exec::SplitCommand split = exec::SplitCommandLine("  \"my tool\" -o \"out dir\\x.obj\" a\"b c\"d");
  EXPECT_EQ(split.program, "\"my tool\"");
  EXPECT_EQ(split.arguments, (Arguments{"-o", "\"out dir\\x.obj\"", "a\"b c\"d"}));
  EXPECT_EQ(split.argumentText, "-o \"out dir\\x.obj\" a\"b c\"d");

  split = exec::SplitCommandLine("echo \"a > b\"");
  EXPECT_FALSE(split.redirection);
}

TEST(SplitCommandLineTest, EscapedQuoteInTheProgramNameDoesNotShiftTheArguments) {
  exec::SplitCommand split = exec::SplitCommandLine("\"a\\\"b\" x y");
  EXPECT_EQ(split.program, "\"a\"b\"");
  EXPECT_EQ(split.arguments, (Arguments{"x", "y"}));
}

// In code page 932 the second byte of 表 is a backslash, which must not
// escape the closing quote.
TEST(SplitCommandLineTest, QuotedNameEndingInADoubleByteCharacter) {
  using testing_support::Narrow;
  exec::SplitCommand split = exec::SplitCommandLine(Narrow("\"C:\\表\" \"表\" > x"));
  EXPECT_EQ(split.program, Narrow("\"C:\\表\""));
  EXPECT_EQ(split.arguments, (Arguments{Narrow("\"表\""), ">", "x"}));
  EXPECT_TRUE(split.redirection);
  EXPECT_TRUE(exec::HasRedirection(Narrow("\"表\">x")));
}

TEST(SplitCommandLineTest, UnbalancedQuotesAreOrdinaryCharacters) {
  exec::SplitCommand split = exec::SplitCommandLine("\"tool a b");
  EXPECT_EQ(split.program, "\"tool");
  EXPECT_EQ(split.arguments, (Arguments{"a", "b"}));

  split = exec::SplitCommandLine("echo \"abc > x");
  EXPECT_EQ(split.arguments, (Arguments{"\"abc", ">", "x"}));
  EXPECT_TRUE(split.redirection);
}

TEST(SplitCommandLineTest, EmptyAndBlankLines) {
  for (const char* line : {"", "   ", "\t"}) {
    exec::SplitCommand split = exec::SplitCommandLine(line);
    EXPECT_EQ(split.program, "");
    EXPECT_TRUE(split.arguments.empty());
  }
  EXPECT_TRUE(exec::SplitCommandLine("set").arguments.empty());
}

TEST(SplitCommandLineTest, TabsInsideArgumentsStay) {
  exec::SplitCommand split = exec::SplitCommandLine("x a\tb  c ");
  EXPECT_EQ(split.arguments, (Arguments{"a\tb", "c"}));
}

TEST(HasRedirectionTest, SeesTheProgramNameButNotQuotes) {
  EXPECT_TRUE(exec::HasRedirection("dir>out.txt"));
  EXPECT_TRUE(exec::HasRedirection("type a | more"));
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
