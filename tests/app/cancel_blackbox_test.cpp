// Ctrl+C, Ctrl+Break, a request to terminate and a hang-up during a build:
// the running command ends with bramle, nothing after it starts, and the
// run fails (even with -I).
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

TEST_F(LocalBuild, SignalsEndTheRunningCommandAndStopTheBuild) {
  if (kWindows) GTEST_SKIP() << "a console event needs a console; the tests run without one";
  const struct {
    const char* signal;
    std::vector<std::string> arguments;
    std::vector<unsigned> notices;
  } cases[] = {{"INT", {}, {22505, 22506}}, {"QUIT", {"-I"}, {22507, 22506}}, {"TERM", {}, {22510}}, {"HUP", {}, {22510}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signal);
    // The command signals bramle (its parent) and goes on as a long sleep
    // under the same process id, which must not outlive bramle.
    Makefile(std::string("all: first second\nfirst:\n\techo $$ > command.pid; kill -") + c.signal +
             " $PPID; exec sleep 37\nsecond:\n\techo second ran\n");
    const auto result = Run(c.arguments);
    const std::string written = Read("command.pid");
    const std::string pid = written.substr(0, written.find('\n'));
    ASSERT_FALSE(pid.empty());
    const bool outlived = ProcessRuns(pid);
    if (outlived) testing_support::RunInDirectory("kill -KILL " + pid, Directory());
    EXPECT_FALSE(outlived);
    for (unsigned notice : c.notices) {
      EXPECT_NE(result.out.find(diag::LoadMessage(notice) + "\n"), std::string::npos) << result.out;
    }
    EXPECT_EQ(result.out.find("second ran"), std::string::npos) << result.out;
    EXPECT_EQ(result.exitCode, 1);
  }
}

}  // namespace
}  // namespace app::test
