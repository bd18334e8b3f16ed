// Behaviour both runner variants share, run against each with the real
// processor of the platform (cmd.exe under Wine, /bin/sh on Linux).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "exec/batch_runner.h"
#include "exec/direct_runner.h"
#include "platform/event_loop.h"
#include "runner_test_support.h"
#include "support/bramle_process.h"

namespace exec_test {
namespace {

// Children of this process that have ended but were not collected; empty
// where /proc is not there to tell (the Windows build).
std::vector<std::string> ZombieChildren() {
  std::vector<std::string> zombies;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream children(task.path() / "children");
    for (std::string pid; children >> pid;) {
      std::ifstream stat("/proc/" + pid + "/stat");
      std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
      const size_t nameEnd = text.rfind(')');
      if (nameEnd != std::string::npos && text.compare(nameEnd, 4, ") Z ") == 0) zombies.push_back(pid);
    }
  }
  return zombies;
}

template <class Runner>
class RunnerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runner_.Start(), 0); }

  // Starts the blocking child and waits until it is up.
  void StartBlocked() {
    ASSERT_EQ(runner_.Exec(ChildCommand("block")), 0);
    EXPECT_EQ(Folded(FirstLine(runner_)), "blocking\n");
  }

  Runner runner_;
};

using RunnerVariants = testing::Types<exec::DirectRunner, exec::BatchRunner>;
TYPED_TEST_SUITE(RunnerTest, RunnerVariants);

struct CommandCase {
  std::string line;
  int exitCode;
  std::string out;
  std::string err;
};

const std::vector<CommandCase>& CommandCases() {
  const size_t megabytes = 8 * 1024 * 1024;
  static const std::vector<CommandCase> cases = {
      {ChildCommand("exit 3"), 3, "", ""},
      {ChildCommand("exit 255"), 255, "", ""},
      // A blank command runs nothing and succeeds.
      {"", 0, "", ""},
      {"   ", 0, "", ""},
      // A last line without a line end arrives with its command.
      {ChildCommand("partial"), 0, "a\nb", "c\nd"},
      {ChildCommand("lines 1"), 0, "line0\n", ""},
      // Each stream keeps its order; nothing is lost however much comes.
      {ChildCommand("mixed 2000"), 0, NumberedLines("out", 2000), NumberedLines("err", 2000)},
      {ChildCommand("lines 100000"), 0, NumberedLines("line", 100000), ""},
      {ChildCommand("lines 30000 err"), 0, "", NumberedLines("line", 30000)},
      {ChildCommand("bytes " + std::to_string(megabytes)), 0, PatternBytes(megabytes), ""},
      // A child that closes its pipes early is waited for.
      {ChildCommand("close 7"), 7, "", ""},
      {ChildCommand("stdin"), 0, "read 0\n", ""},  // standard input is at its end
      {"echo hello", 0, "hello\n", ""},            // through the processor
  };
  return cases;
}

void ExpectResult(const CommandCase& expected, const RunResult& result) {
  EXPECT_EQ(result.exec, 0) << expected.line;
  EXPECT_EQ(result.exitCode, expected.exitCode) << expected.line;
  EXPECT_TRUE(Folded(result.out) == expected.out) << expected.line << ": " << result.out.size() << " bytes";
  EXPECT_TRUE(Folded(result.err) == expected.err) << expected.line << ": " << result.err.size() << " bytes";
  // Collected at once, not when the next command starts.
  EXPECT_EQ(ZombieChildren(), std::vector<std::string>()) << expected.line;
}

// One after the other on the same runner: each command's result is its own,
// and it leaves no zombie.
TYPED_TEST(RunnerTest, CommandsGiveTheirCodeAndEveryByteOfTheirOutput) {
  for (const CommandCase& command : CommandCases()) ExpectResult(command, RunCommand(this->runner_, command.line));
}

// The same with the runner reporting to an event loop, which takes the
// output as it is told; a command killed from the loop ends there too.
TYPED_TEST(RunnerTest, ReportingToAnEventLoop) {
  platform::EventLoop loop;
  TypeParam runner;
  RunResult result;
  std::function<void()> taken;  // after each piece taken
  auto news = [&] {
    if (result.exec != 0 || result.exitCode != -1) return;
    const bool running = runner.IsRunning(0);
    std::string text;
    runner.TakeStdout(text);
    result.out += text;
    runner.TakeStderr(text);
    result.err += text;
    if (!running) {
      result.exitCode = runner.ExitCode();
      loop.Stop();
    } else if (taken) {
      taken();
    }
  };
  runner.ReportTo(loop, news);
  ASSERT_EQ(runner.Start(), 0);
  auto run = [&](const std::string& line) {
    result = RunResult();
    loop.Post([&, line] {
      result.exec = runner.Exec(line);
      if (result.exec != 0) loop.Stop();
      news();  // a command done at once has nothing more to tell
    });
    loop.Run();
    return result;
  };
  for (const CommandCase& command : CommandCases()) ExpectResult(command, run(command.line));

  taken = [&] {
    if (Folded(result.out) != "blocking\n") return;
    runner.Kill();
    loop.Post(news);  // a killed runner tells nothing more
  };
  EXPECT_EQ(run(ChildCommand("block")).exitCode, 1);
  EXPECT_EQ(ZombieChildren(), std::vector<std::string>());
  taken = nullptr;
  ASSERT_EQ(runner.Start(), 0);
  ExpectResult(CommandCases().front(), run(CommandCases().front().line));
}

TYPED_TEST(RunnerTest, KillOrCloseEndsTheCommandAndTheRunnerUntilStarted) {
  for (const bool close : {false, true}) {
    for (const bool fromAnotherThread : {false, true}) {
      SCOPED_TRACE(std::string(close ? "Close" : "Kill") + (fromAnotherThread ? " from another thread" : ""));
      ASSERT_EQ(this->runner_.Start(), 0);
      this->StartBlocked();
      EXPECT_TRUE(this->runner_.IsRunning(0));
      EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);  // one command at a time
      auto stop = [this, close] { close ? this->runner_.Close() : this->runner_.Kill(); };
      if (fromAnotherThread) {
        std::thread stopper(stop);
        while (this->runner_.IsRunning()) {
        }
        stopper.join();
      } else {
        stop();
      }
      EXPECT_FALSE(this->runner_.IsRunning());
      EXPECT_EQ(ZombieChildren(), std::vector<std::string>());  // collected by now, not at the next Start
      if (!close) {
        EXPECT_EQ(this->runner_.ExitCode(), 1);
      }
      EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
      this->runner_.Kill();  // nothing left to kill
      this->runner_.Close();
    }
  }
  // Idle: stopped all the same, until started again.
  ASSERT_EQ(this->runner_.Start(), 0);
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 0")).exitCode, 0);
  this->runner_.Kill();
  EXPECT_EQ(this->runner_.ExitCode(), 1);
  EXPECT_EQ(this->runner_.Exec(ChildCommand("exit 0")), 2);
  ASSERT_EQ(this->runner_.Start(), 0);
  RunResult after = RunCommand(this->runner_, ChildCommand("lines 1"));
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_EQ(Folded(after.out), "line0\n");
}

// Each wait ends at its limit while nothing more comes, the command
// running.
TYPED_TEST(RunnerTest, WaitsEndAtTheirLimit) {
  this->StartBlocked();
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(this->runner_.IsRunning(10));
  this->runner_.Kill();
  EXPECT_FALSE(this->runner_.IsRunning());
}

TYPED_TEST(RunnerTest, OddLinesLeaveTheRunnerUsable) {
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
  const RunResult unbalanced = RunCommand(this->runner_, "echo \"abc");
  EXPECT_TRUE(unbalanced.exec == 0 || unbalanced.exec == 2);
  EXPECT_EQ(RunCommand(this->runner_, ChildCommand("exit 2")).exitCode, 2);
}

// Redirections go through the processor, a program's output with them.
TYPED_TEST(RunnerTest, RedirectionsWork) {
  testing_support::ScratchDirectory scratch;
  const std::string file = (scratch.path() / "out.txt").string();
  EXPECT_EQ(RunCommand(this->runner_, "echo redirected>" + file).exitCode, 0);
  EXPECT_EQ(Folded(scratch.Read("out.txt")), "redirected\n");
  // A line that starts with a quote keeps all of its quotes.
  const RunResult child = RunCommand(this->runner_, ChildCommand("lines 2") + " > \"" + file + "\"");
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.out, "");
  EXPECT_EQ(Folded(scratch.Read("out.txt")), "line0\nline1\n");
  const RunResult errors = RunCommand(this->runner_, ChildCommand("lines 1") + " 1>&2");
  EXPECT_EQ(errors.out, "");
  EXPECT_EQ(Folded(errors.err), "line0\n");
}

}  // namespace
}  // namespace exec_test
