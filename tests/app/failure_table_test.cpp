// How a local build fails: each kind of failure, its message on standard
// error and the exit code, with and without -I and -K.
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "local_build_fixture.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

std::string Warning(const std::string& utf8Text) { return diag::FormatCatalogMessage(22002, Narrow(utf8Text)); }

const std::string& StartFailed() {
  static const std::string text =
      Warning("コマンドの実行に失敗しました。コマンドが実行できるかどうか確認してください\n");
  return text;
}

std::string CommandError(const std::string& program, int code) {
  return diag::FormatCatalogMessage(22003, program, code);
}

// A program that exists on the platform, is started directly (not through
// the command processor) and ends with 0.
const char* const kPlainProgram = kWindows ? "hostname" : "true";

TEST_F(LocalBuild, RootThatDependsOnItselfEndsTheRunBeforeAnyCommand) {
  // The reader finds it first and names the cycle as a makefile error.
  Makefile("all: a\n\techo all\na: all\n\techo a\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind(diag::FormatCatalogMessage(22004, diag::FormatCatalogMessage(20028, "all -> a -> all")), 0),
            0u);
}

TEST_F(LocalBuild, ProcessorThatCannotStartEndsTheBatchRunnerBuild) {
  Makefile("made.txt:\n\techo x > made.txt\n");
  const auto result = testing_support::RunBramleWithVariable("ComSpec", NativePath("\\no\\such\\processor"), {"-L"},
                                                             Directory());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, Fatal(21002));
  EXPECT_FALSE(Exists("made.txt"));
}

TEST_F(LocalBuild, CommandThatCannotStartIsAFailureWithCodeTwo) {
  Makefile("all: a b\na:\n\tno-such-program arg\n\techo after\nb:\n\techo b\n");
  const auto stops = Run();
  EXPECT_EQ(stops.exitCode, 1);
  EXPECT_EQ(stops.out, "  no-such-program arg\n");
  EXPECT_EQ(stops.err, StartFailed() + Fatal(22504, "no-such-program arg", 2));

  const auto ignored = Run({"-I"});
  EXPECT_EQ(ignored.exitCode, 0);
  EXPECT_EQ(ignored.out, "  no-such-program arg\n  echo after\nafter\n  echo b\nb\n");
  EXPECT_EQ(ignored.err, StartFailed());

  const auto keepGoing = Run({"-K"});
  EXPECT_EQ(keepGoing.exitCode, 2);
  EXPECT_EQ(keepGoing.out, "  no-such-program arg\n  echo b\nb\n");
  EXPECT_EQ(keepGoing.err, StartFailed() + CommandError("no-such-program", 2));
}

TEST_F(LocalBuild, ProcessorThatCannotStartFailsOnlyTheLinesThatNeedIt) {
  // A built-in command goes through the processor; a program starts itself.
  Makefile(std::string("t:\n\t-echo needs the processor\n\t") + kPlainProgram + "\n");
  const auto result = testing_support::RunBramleWithVariable("ComSpec", NativePath("\\no\\such\\processor"), {},
                                                             Directory());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.rfind(std::string("  echo needs the processor\n  ") + kPlainProgram + "\n", 0), 0u);
  EXPECT_EQ(result.err, StartFailed());
}

TEST_F(LocalBuild, SilentFailingLineStillReportsItsFailure) {
  Makefile("t:\n\t@exit 3\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, Fatal(22504, "exit 3", 3));
}

TEST_F(LocalBuild, KeepGoingGivesTheFirstFailingCode) {
  // mid lists the failed target; its file exists, so the walk goes on past
  // it and builds what does not depend on a failure.
  Makefile(
      "all: bad1 mid other bad2\n"
      "bad1:\n\texit 3\n\techo never\n"
      "mid: bad1\n\techo mid\n"
      "other:\n\techo other\n"
      "bad2:\n\texit 4\n");
  MakeFile("mid", 10);
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.out, "  exit 3\n  echo other\nother\n  exit 4\n");
  EXPECT_EQ(result.err, CommandError("exit", 3) + CommandError("exit", 4));
}

TEST_F(LocalBuild, KeepGoingKeepsTheFailingCodeWhenAMissingFileEndsTheBuild) {
  Makefile("all: bad miss.h\nbad:\n\texit 5\n");
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 5);
  EXPECT_EQ(result.out, "  exit 5\n");
  // The warning comes only while no failure is recorded.
  EXPECT_EQ(result.err, CommandError("exit", 5) + Fatal(30008, "miss.h"));
}

TEST_F(LocalBuild, IgnoreErrorsTakesPrecedenceOverKeepGoing) {
  Makefile("all: bad good\nbad:\n\texit 3\n\techo after\ngood:\n\techo good\n");
  for (const std::vector<std::string>& options : {std::vector<std::string>{"-I", "-K"}, {"-K", "-I"}}) {
    const auto result = Run(options);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "  exit 3\n  echo after\nafter\n  echo good\ngood\n");
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(LocalBuild, BatchRunnerFailuresFollowTheSameRules) {
  Makefile("all: bad good\nbad:\n\texit 3\n\techo never\ngood:\n\techo good\n");
  const auto keepGoing = Run({"-L", "-K"});
  EXPECT_EQ(keepGoing.exitCode, 3);
  EXPECT_EQ(keepGoing.out, "  exit 3\n  echo good\ngood\n");
  EXPECT_EQ(keepGoing.err, CommandError("exit", 3));

  const auto ignored = Run({"-L", "-I"});
  EXPECT_EQ(ignored.exitCode, 0);
  EXPECT_EQ(ignored.out, "  exit 3\n  echo never\nnever\n  echo good\ngood\n");
}

TEST_F(LocalBuild, InlineFileThatCannotBeWrittenFailsItsCommand) {
  Makefile(NativePath(std::string("all: t other\nt:\n\t") + kShowFile +
                      " <<no\\such\\dir\\list.txt\ncontent\n<<KEEP\nother:\n\techo other\n"));
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "  echo other\nother\n");
  EXPECT_EQ(result.err, diag::FormatCatalogMessage(
                            22002, diag::FormatCatalogMessage(22509, NativePath("no\\such\\dir\\list.txt"))) +
                            CommandError(kShowFile, 1));
}

TEST_F(LocalBuild, NestedRunPassesItsOutputAndFailureUp) {
  const std::string nested = "\"" + testing_support::BramleExecutable() + "\" -F " + NativePath("sub\\build.mak");
  Makefile("all:\n\t" + nested + "\n\techo never\n");
  MakeFile("sub\\build.mak", 0, "inner:\n\techo inner ran\n\texit 4\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "  " + nested + "\n  echo inner ran\ninner ran\n  exit 4\n");
  EXPECT_EQ(result.err, Fatal(22504, "exit 4", 4) + Fatal(22504, nested, 1));
}

}  // namespace
}  // namespace app::test
