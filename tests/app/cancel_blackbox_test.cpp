// Ctrl+C during a build: the command that runs is cancelled, nothing after
// it starts, and the run fails. A request to terminate or a hang-up does the
// same, so that no command outlives bramle.
#include <fstream>

#include "local_build_fixture.h"

namespace app::test {
namespace {

// True while the process `pid` runs (a zombie has ended).
bool ProcessRuns(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const size_t nameEnd = text.rfind(')');
  return nameEnd != std::string::npos && text.compare(nameEnd, 3, ") Z") != 0;
}

TEST_F(LocalBuild, InterruptAndBreakCancelTheRunningCommandAndStopTheBuild) {
  if (kWindows) GTEST_SKIP() << "a console event needs a console; the tests run without one";
  // Even with -I a cancelled run never succeeds.
  const struct {
    const char* signal;
    std::vector<std::string> arguments;
    unsigned notice;
  } cases[] = {{"INT", {}, 22505}, {"QUIT", {"-I"}, 22507}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    // The command signals bramle itself (its parent) and then blocks until
    // it is killed, so the cancel always meets a running command.
    Makefile(std::string("all: first second\nfirst:\n\tkill -") + c.signal +
             " $PPID; while :; do read x; done < /dev/zero\nsecond:\n\techo second ran\n");
    const auto result = Run(c.arguments);
    EXPECT_NE(result.out.find(diag::LoadMessage(c.notice) + "\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(diag::LoadMessage(22506) + "\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("second ran"), std::string::npos) << result.out;
    EXPECT_EQ(result.exitCode, 1);
  }
}

TEST_F(LocalBuild, TerminateAndHangUpEndTheRunningCommandAndStopTheBuild) {
  if (kWindows) GTEST_SKIP() << "signals are the POSIX form of the console's end";
  for (const char* signal : {"TERM", "HUP"}) {
    // The command signals bramle (its parent) and goes on as a long sleep
    // under the same process id, which must not outlive bramle.
    Makefile(std::string("all: first second\n"
                         "first:\n"
                         "\techo $$ > command.pid; kill -") +
             signal +
             " $PPID; exec sleep 37\n"
             "second:\n"
             "\techo second ran\n");
    const auto result = Run();
    const std::string written = Read("command.pid");
    const std::string pid = written.substr(0, written.find('\n'));
    ASSERT_FALSE(pid.empty()) << signal;
    const bool outlived = ProcessRuns(pid);
    if (outlived) testing_support::RunInDirectory("kill -KILL " + pid, Directory());
    EXPECT_FALSE(outlived) << "SIG" << signal;
    EXPECT_NE(result.out.find(diag::LoadMessage(22510) + "\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("second ran"), std::string::npos) << result.out;
    EXPECT_EQ(result.exitCode, 1) << "SIG" << signal;
  }
}

}  // namespace
}  // namespace app::test
