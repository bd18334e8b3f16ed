// The BatchRunner with the platform's real processor: cmd.exe (under Wine
// for the Windows build) or /bin/sh.
#include "exec/batch_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runner_test_support.h"
#include "support/bramle_process.h"

namespace exec_test {
namespace {

// Batch and marker files go to a directory of the test's own, so that what
// the runner leaves behind can be counted.
class BatchRunnerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runner_.Start(), 0); }
  void TearDown() override { runner_.Close(); }

  // Files named mk<number> in the temporary directory.
  size_t ScratchFiles() const {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
      if (entry.path().filename().string().rfind("mk", 0) == 0) ++count;
    }
    return count;
  }

  // The processor's own built-ins differ; tests name both forms.
  static std::string Pick(const std::string& cmd, const std::string& shell) { return IsPosixShell() ? shell : cmd; }

  testing_support::ScratchDirectory scratch_;
  testing_support::ScopedVariable temporary_{IsPosixShell() ? "TMPDIR" : "TMP", scratch_.path().string()};
  testing_support::ScratchDirectory work_;
  exec::BatchRunner runner_;
};

// A batch file started without CALL never returns to the runner's own
// batch file: its code is still the command's, and the next command's is
// its own.
TEST_F(BatchRunnerTest, BatchFileStartedWithoutCallGivesItsOwnCode) {
  if (IsPosixShell()) GTEST_SKIP() << "batch files without CALL are cmd.exe's";
  const std::pair<std::string, int> cases[] = {{"@exit /b 5", 5}, {"@cmd /c exit 6", 6}, {"@echo chained", 0}};
  const std::string batch = exec::QuotePath((work_.path() / "chained.bat").string(), exec::CmdDialect());
  for (const auto& [content, code] : cases) {
    work_.Write("chained.bat", content + "\r\n");
    EXPECT_EQ(RunCommand(runner_, batch).exitCode, code) << content;
    const RunResult next = RunCommand(runner_, "echo ok");
    EXPECT_EQ(Folded(next.out), "ok\n");
    EXPECT_EQ(next.exitCode, 0) << "after " << content;
  }
}

TEST_F(BatchRunnerTest, BuiltinsShareTheProcessorsState) {
  const std::string dir = work_.path().string();
  EXPECT_EQ(RunCommand(runner_, "cd " + Pick("/d ", "") + "\"" + dir + "\"").exitCode, 0);
  EXPECT_EQ(RunCommand(runner_, "echo copied> source.txt").exitCode, 0);
  EXPECT_EQ(RunCommand(runner_, Pick("copy source.txt target.txt", "cp source.txt target.txt")).exitCode, 0);
  EXPECT_EQ(Folded(work_.Read("target.txt")), "copied\n");
  EXPECT_EQ(RunCommand(runner_, Pick("del source.txt", "rm source.txt")).exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(work_.path() / "source.txt"));

  EXPECT_EQ(RunCommand(runner_, Pick("set BRAMLE_BATCH_VAR=kept", "BRAMLE_BATCH_VAR=kept")).exitCode, 0);
  EXPECT_EQ(Folded(RunCommand(runner_, Pick("echo [%BRAMLE_BATCH_VAR%]", "echo [$BRAMLE_BATCH_VAR]")).out), "[kept]\n");
}

TEST_F(BatchRunnerTest, BatchAndMarkerFilesExistOnlyWhileTheCommandRuns) {
  const size_t idle = ScratchFiles();
  ASSERT_EQ(runner_.Exec(ChildCommand("block")), 0);
  EXPECT_NE(FirstLine(runner_), "");
  EXPECT_EQ(ScratchFiles(), idle + 2);
  EXPECT_EQ(runner_.ExitCode(), -1);
  runner_.Kill();
  EXPECT_EQ(ScratchFiles(), 0u);

  ASSERT_EQ(runner_.Start(), 0);
  EXPECT_EQ(RunCommand(runner_, ChildCommand("exit 0")).exitCode, 0);
  EXPECT_EQ(ScratchFiles(), idle);
  EXPECT_EQ(RunCommand(runner_, "exit 9").exitCode, 9);  // ends in the middle of the batch
  EXPECT_EQ(ScratchFiles(), idle);
  // The next command gets a new processor, with no prompt or sentinel in its output.
  EXPECT_EQ(Folded(RunCommand(runner_, "echo again").out), "again\n");
  runner_.Close();
  EXPECT_EQ(ScratchFiles(), 0u);
}

TEST_F(BatchRunnerTest, PolledWithoutTakingTheOutputIsStillComplete) {
  ASSERT_EQ(runner_.Exec(ChildCommand("lines 5000")), 0);
  while (runner_.IsRunning()) {
  }
  std::string text;
  EXPECT_FALSE(runner_.TakeStdout(text));
  EXPECT_TRUE(Folded(text) == NumberedLines("line", 5000)) << "got " << text.size() << " bytes";
}

// An idle processor has no command to break: Kill ends it at once, without
// the break and its grace period. The processor here notes a break in a
// file before it ends, so a break sent would show.
TEST(BatchRunnerKillTest, KillOnAnIdleProcessorSendsNoBreak) {
  if (!IsPosixShell()) GTEST_SKIP() << "needs a POSIX shell as the processor";
  testing_support::ScratchDirectory scratch;
  const std::string mark = (scratch.path() / "broken").string();
  const std::string processor = (scratch.path() / "noting_sh").string();
  scratch.Write("noting_sh", "#!/bin/sh\ntrap 'echo broken > \"" + mark + "\"' INT\n/bin/sh\n");
  std::filesystem::permissions(processor, std::filesystem::perms::owner_all);
  testing_support::ScopedVariable comSpec("ComSpec", processor);
  {
    exec::BatchRunner runner;
    ASSERT_EQ(runner.Start(), 0);
    EXPECT_EQ(RunCommand(runner, "echo ok").exitCode, 0);
    runner.Kill();
    EXPECT_EQ(runner.ExitCode(), 1);
    ASSERT_EQ(runner.Start(), 0);
    EXPECT_EQ(RunCommand(runner, "echo again").out, "again\n");
    runner.Close();
  }
  EXPECT_FALSE(std::filesystem::exists(mark));
}

}  // namespace
}  // namespace exec_test
