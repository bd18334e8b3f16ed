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

TEST_F(LocalBuild, InterruptCancelsTheRunningCommandAndStopsTheBuild) {
  if (kWindows) GTEST_SKIP() << "a console event needs a console; the tests run without one";
  // The command interrupts bramle itself (its parent) and then blocks until
  // it is killed, so the cancel always meets a running command.
  Makefile(
      "all: first second\n"
      "first:\n"
      "\tkill -INT $PPID; while :; do read x; done < /dev/zero\n"
      "second:\n"
      "\techo second ran\n");
  auto result = Run();
  EXPECT_NE(result.out.find(diag::LoadMessage(22505) + "\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(diag::LoadMessage(22506) + "\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("second ran"), std::string::npos) << result.out;
  EXPECT_EQ(result.exitCode, 1);
}

TEST_F(LocalBuild, BreakIsReportedAsCtrlBreak) {
  if (kWindows) GTEST_SKIP() << "a console event needs a console; the tests run without one";
  Makefile("all:\n\tkill -QUIT $PPID; while :; do read x; done < /dev/zero\n");
  auto result = Run({"-I"});
  EXPECT_NE(result.out.find(diag::LoadMessage(22507) + "\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(diag::LoadMessage(22506) + "\n"), std::string::npos) << result.out;
  EXPECT_NE(result.exitCode, 0);  // even with -I a cancelled run never succeeds
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
