// The DirectRunner: routing, the "set" built-in, argument splitting, the
// backlog rule.
#include "exec/direct_runner.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "runner_test_support.h"
#include "support/bramle_process.h"

namespace exec_test {
namespace {

class DirectRunnerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runner_.Start(), 0); }
  testing_support::ScopedVariable inherited_{"BRAMLE_EXEC_TEST_INHERITED", "yes"};  // before the runner starts
  exec::DirectRunner runner_;
};

// Programs start directly, with the arguments split by the C runtime's
// rules and the variables the runner inherited; a missing one gives 2 from
// Exec, and the runner goes on. Built-ins and shell syntax go through the
// processor. Children start with default signals on POSIX, though the test
// program blocks SIGINT and ignores SIGPIPE, as bramle does.
TEST_F(DirectRunnerTest, LinesGoWhereTheyRun) {
  const struct {
    std::string line;
    int exec;
    int exitCode;
    std::string out;
    bool posixOnly;
    const char* err = "";  // not checked when null
  } cases[] = {
      {"no_such_program_for_bramle_tests argument", 2, -1, "", false},
      {ChildCommand("args \"a b\" c\\\"d e\\f \"g\\\\\" \"\""), 0, 0, "[a b]\n[c\"d]\n[e\\f]\n[g\\]\n[]\n", false},
      {ChildCommand("env BRAMLE_EXEC_TEST_INHERITED"), 0, 0, "yes\n", false},
      {"exit 3", 0, 3, "", false},
      {"EXIT 0", 0, IsPosixShell() ? 127 : 0, "", false, nullptr},
      {"echo $((1 + 2)); echo 'single quoted'", 0, 0, "3\nsingle quoted\n", true},
      {"kill -INT $$; echo survived", 0, 130, "", true},
      {"yes | head -n 1", 0, 0, "y\n", true},
  };
  for (const auto& c : cases) {
    if (c.posixOnly && !IsPosixShell()) continue;
    const RunResult result = RunCommand(runner_, c.line);
    EXPECT_EQ(result.exec, c.exec) << c.line;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.line;
    EXPECT_EQ(Folded(result.out), c.out) << c.line;
    if (c.err) {
      EXPECT_EQ(Folded(result.err), c.err) << c.line;
    }
    EXPECT_FALSE(runner_.IsRunning()) << c.line;
  }
}

// "set" changes the children's environment only; a later value replaces
// an earlier one instead of hiding behind it.
TEST_F(DirectRunnerTest, SetChangesTheChildrensEnvironmentOnly) {
  const size_t before = runner_.Environment().Entries().size();
  const std::pair<const char*, const char*> cases[] = {
      {"set BRAMLE_EXEC_TEST_VAR=one", "one\n"},
      {"SET BRAMLE_EXEC_TEST_VAR=two words", "two words\n"},
      {"set BRAMLE_EXEC_TEST_VAR=", "<unset>\n"},
      {"set \"BRAMLE_EXEC_TEST_VAR=quoted value\"", "quoted value\n"},
      // Without an assignment nothing changes (the other forms are the list's own table).
      {"set", "quoted value\n"},
  };
  for (const auto& [line, value] : cases) {
    RunResult set = RunCommand(runner_, line);
    EXPECT_EQ(set.exec, 0) << line;
    EXPECT_EQ(set.exitCode, 0) << line;
    EXPECT_EQ(Folded(RunCommand(runner_, ChildCommand("env BRAMLE_EXEC_TEST_VAR")).out), value) << line;
  }
  EXPECT_EQ(runner_.Environment().Entries().size(), before + 1);
  EXPECT_FALSE(platform::GetEnvironmentVariableText("BRAMLE_EXEC_TEST_VAR").has_value());
}

// Up to 1001 lines left queued are kept; with more, the first is taken and
// the rest dropped. The exit code reads 0 while a command runs.
TEST_F(DirectRunnerTest, BacklogBeyondTheLimitIsDropped) {
  for (const int count : {1001, 1002}) {
    ASSERT_EQ(runner_.Exec(ChildCommand("lines " + std::to_string(count))), 0);
    EXPECT_EQ(runner_.ExitCode(), 0);
    while (runner_.IsRunning()) {
    }
    std::string text;
    EXPECT_FALSE(runner_.TakeStdout(text));
    EXPECT_EQ(Folded(text), count == 1001 ? NumberedLines("line", 1001) : "line0\n");
    EXPECT_TRUE(runner_.TakeStdout(text));
  }
}

TEST_F(DirectRunnerTest, KillReachesTheWholeGroupOnPosix) {
  if (!IsPosixShell()) GTEST_SKIP() << "process groups are POSIX";
  testing_support::ScratchDirectory scratch;
  const std::string lock = (scratch.path() / "held.lock").string();
  // A background child that ignores SIGINT holds a lock and outlives the
  // break; Kill must end it with the group, which frees the lock.
  ASSERT_EQ(runner_.Exec("(trap '' INT; exec flock " + lock + " sh -c 'echo holding; exec sleep 1000') & wait"), 0);
  ASSERT_EQ(FirstLine(runner_), "holding\n");
  runner_.Kill();
  EXPECT_EQ(runner_.ExitCode(), 1);
  ASSERT_EQ(runner_.Start(), 0);
  // Waits for the lock; the bound only matters when the holder survived.
  RunResult free = RunCommand(runner_, "flock -w 60 " + lock + " echo free");
  EXPECT_EQ(free.out, "free\n");
}

}  // namespace
}  // namespace exec_test
