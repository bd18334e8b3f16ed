// Behaviour both runner variants share, run against each with the real
// processor of the platform (cmd.exe under Wine, /bin/sh on Linux).
#include <gtest/gtest.h>

#include <thread>

#include "exec/batch_runner.h"
#include "exec/direct_runner.h"
#include "runner_test_support.h"

namespace exec_test {
namespace {

template <class Runner>
class RunnerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runner_.Start(), 0); }
  Runner runner_;
};

using RunnerVariants = testing::Types<exec::DirectRunner, exec::BatchRunner>;
TYPED_TEST_SUITE(RunnerTest, RunnerVariants);

TYPED_TEST(RunnerTest, ExitCodesComeBackExactly) {
  for (int code : {0, 1, 3, 255}) {
    RunResult result = RunCommand(this->runner_, ChildCommand("exit " + std::to_string(code)));
    EXPECT_EQ(result.exec, 0);
    EXPECT_EQ(result.exitCode, code) << "exit " << code;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
  }
}

TYPED_TEST(RunnerTest, BlankCommandRunsNothingAndSucceeds) {
  RunCommand(this->runner_, ChildCommand("exit 4"));
  for (const char* line : {"", "   "}) {
    RunResult result = RunCommand(this->runner_, line);
    EXPECT_EQ(result.exec, 0);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
  }
}

TYPED_TEST(RunnerTest, LastLineWithoutLineEndArrivesWithItsCommand) {
  RunResult first = RunCommand(this->runner_, ChildCommand("partial"));
  EXPECT_EQ(Folded(first.out), "a\nb");
  EXPECT_EQ(Folded(first.err), "c\nd");
  RunResult second = RunCommand(this->runner_, ChildCommand("lines 1"));
  EXPECT_EQ(Folded(second.out), "line0\n");
  EXPECT_EQ(second.err, "");
}

TYPED_TEST(RunnerTest, EachStreamKeepsItsOrder) {
  RunResult result = RunCommand(this->runner_, ChildCommand("mixed 2000"));
  EXPECT_EQ(Folded(result.out), NumberedLines("out", 2000));
  EXPECT_EQ(Folded(result.err), NumberedLines("err", 2000));
}

TYPED_TEST(RunnerTest, HundredThousandShortLinesAllArrive) {
  RunResult result = RunCommand(this->runner_, ChildCommand("lines 100000"));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(Folded(result.out) == NumberedLines("line", 100000)) << "got " << result.out.size() << " bytes";
}

TYPED_TEST(RunnerTest, ShortLinesOnStandardErrorAllArrive) {
  RunResult result = RunCommand(this->runner_, ChildCommand("lines 30000 err"));
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(Folded(result.err) == NumberedLines("line", 30000)) << "got " << result.err.size() << " bytes";
}

TYPED_TEST(RunnerTest, MegabytesOfOutputArriveUnchanged) {
  const size_t size = 8 * 1024 * 1024;
  RunResult result = RunCommand(this->runner_, ChildCommand("bytes " + std::to_string(size)));
  EXPECT_TRUE(Folded(result.out) == PatternBytes(size)) << "got " << result.out.size() << " bytes";
}

TYPED_TEST(RunnerTest, BinaryBytesPassThrough) {
  RunResult result = RunCommand(this->runner_, ChildCommand("binary"));
  std::string expected;
  for (int value = 0; value < 256; ++value) expected.push_back(static_cast<char>(value));
  EXPECT_EQ(Folded(result.out), expected);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(Folded(RunCommand(this->runner_, ChildCommand("lines 2")).out), "line0\nline1\n");
}

TYPED_TEST(RunnerTest, ChildThatClosesItsPipesEarlyIsWaitedFor) {
  RunResult result = RunCommand(this->runner_, ChildCommand("close 7"));
  EXPECT_EQ(result.exitCode, 7);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 0")).exitCode, 0);
}

TYPED_TEST(RunnerTest, StandardInputIsAtEndOfFile) {
  RunResult result = RunCommand(this->runner_, ChildCommand("stdin"));
  EXPECT_EQ(Folded(result.out), "read 0\n");
}

TYPED_TEST(RunnerTest, KillEndsABlockedChildAndStartRecovers) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));  // the child is up
  EXPECT_EQ(Folded(line), "blocking\n");
  EXPECT_TRUE(this->runner_.IsRunning(0));
  this->runner_.Kill();
  EXPECT_FALSE(this->runner_.IsRunning());
  EXPECT_EQ(this->runner_.ExitCode(), 1);
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
  EXPECT_EQ(this->runner_.ExitCode(), 1);
  this->runner_.Kill();  // nothing left to kill
  ASSERT_EQ(this->runner_.Start(), 0);
  RunResult after = RunCommand(this->runner_, ChildCommand("lines 1"));
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_EQ(Folded(after.out), "line0\n");
}

TYPED_TEST(RunnerTest, KillOnAnIdleRunnerStopsItUntilStarted) {
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 0")).exitCode, 0);
  this->runner_.Kill();
  EXPECT_EQ(this->runner_.ExitCode(), 1);
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
  ASSERT_EQ(this->runner_.Start(), 0);
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 0")).exitCode, 0);
}

TYPED_TEST(RunnerTest, KillFromAnotherThreadEndsTheWait) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));
  std::thread killer([this] { this->runner_.Kill(); });
  while (this->runner_.IsRunning()) {
  }
  killer.join();
  EXPECT_EQ(this->runner_.ExitCode(), 1);
}

// Wake ends a wait without a limit while the command runs on: before the
// wait (the next one ends) and from another thread during it.
TYPED_TEST(RunnerTest, WakeEndsAWaitWhileTheCommandRuns) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));
  this->runner_.Wake();
  EXPECT_TRUE(this->runner_.IsRunning());
  std::thread waker([this] { this->runner_.Wake(); });
  EXPECT_TRUE(this->runner_.IsRunning());
  waker.join();
  this->runner_.Kill();
  EXPECT_FALSE(this->runner_.IsRunning());
}

TYPED_TEST(RunnerTest, WaitWithALimitComesBackWhileTheCommandRuns) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));
  // Nothing more comes: each wait ends at its limit, the command running.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(this->runner_.IsRunning(10));
  EXPECT_FALSE(this->runner_.WaitLine(line, false));
  this->runner_.Kill();
  EXPECT_FALSE(this->runner_.IsRunning());
}

TYPED_TEST(RunnerTest, CloseFromAnotherThreadEndsTheWait) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));
  std::thread closer([this] { this->runner_.Close(); });
  while (this->runner_.IsRunning()) {
  }
  closer.join();
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
}

TYPED_TEST(RunnerTest, ExecWhileACommandRunsIsRefused) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
  this->runner_.Kill();
}

TYPED_TEST(RunnerTest, ClosedRunnerStartsNothingUntilStarted) {
  this->runner_.Close();
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
  this->runner_.Close();
  ASSERT_EQ(this->runner_.Start(), 0);
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 5")).exitCode, 5);
}

TYPED_TEST(RunnerTest, CloseEndsARunningCommand) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("block")), 0);
  std::string line;
  ASSERT_TRUE(this->runner_.WaitLine(line, true));
  this->runner_.Close();
  EXPECT_FALSE(this->runner_.IsRunning());
}

TYPED_TEST(RunnerTest, WaitLineWithoutWaitingGivesNothingWhenEmpty) {
  std::string line = "x";
  EXPECT_FALSE(this->runner_.WaitLine(line, false));
  EXPECT_EQ(line, "");
  RunResult result = RunCommand(this->runner_, ChildCommand("exit 0"));
  EXPECT_FALSE(this->runner_.WaitLine(line, true));  // nothing runs: no wait
}

TYPED_TEST(RunnerTest, ClearQueuesEmptiesTheChosenStreams) {
  ASSERT_EQ(this->runner_.Exec(ChildCommand("partial")), 0);
  while (this->runner_.IsRunning()) {
  }
  this->runner_.ClearQueues(1);
  std::string text;
  EXPECT_TRUE(this->runner_.TakeStdout(text));
  EXPECT_FALSE(this->runner_.TakeStderr(text));
  EXPECT_EQ(Folded(text), "c\nd");
}

TYPED_TEST(RunnerTest, CommandOfHundredThousandCharactersHasADefinedResult) {
  const std::string line = ChildCommand("args " + std::string(100000, 'x'));
  const int exec = this->runner_.Exec(line);
  EXPECT_TRUE(exec == 0 || exec == 2);
  if (exec == 0) {
    while (this->runner_.IsRunning()) {
      std::string text;
      this->runner_.TakeStdout(text);
      this->runner_.TakeStderr(text);
    }
  }
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 6")).exitCode, 6);
}

TYPED_TEST(RunnerTest, EchoThroughTheProcessor) {
  RunResult result = RunCommand(this->runner_, "echo hello");
  EXPECT_EQ(result.exec, 0);
  EXPECT_EQ(Folded(result.out), "hello\n");
  EXPECT_EQ(result.exitCode, 0);
}

TYPED_TEST(RunnerTest, UnbalancedQuotesLeaveTheRunnerUsable) {
  RunResult result = RunCommand(this->runner_, "echo \"abc");
  EXPECT_TRUE(result.exec == 0 || result.exec == 2);
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 2")).exitCode, 2);
}

}  // namespace
}  // namespace exec_test
