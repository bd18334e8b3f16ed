// Ctrl+C during a build: the command that runs is cancelled, nothing after
// it starts, and the run fails.
#include "local_build_fixture.h"

namespace app::test {
namespace {

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

}  // namespace
}  // namespace app::test
