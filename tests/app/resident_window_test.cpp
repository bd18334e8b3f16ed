// bramle -R where windows can be shown (it then runs under its notification-
// area window): an end request (Ctrl+C, sent here before the program even
// waits for it) ends it cleanly and its settings are written back. Linux
// build, on a virtual display, in a network namespace of its own.
#include <gtest/gtest.h>

#include <string>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

constexpr bool kWindows = platform::kPathSeparator == '\\';

// SIGINT is blocked before bramle starts, so it waits for the program's own
// signal thread instead of racing the program's start.
constexpr const char* kResidentScript = R"(set -u
ip link set lo up || exit 77
export XDG_CONFIG_HOME=$PWD/config TMPDIR=$PWD/tmp
mkdir -p tmp config/bramle
printf 'client_machinemane = RESIDENT\n' >config/bramle/Bramle.inf
timeout 60 python3 -c 'import os, signal, sys
signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGINT])
pid = os.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1], "-R"])
os.kill(pid, signal.SIGINT)
print(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))' "$1" >rc.txt 2>err.txt
)";

TEST(ResidentWindow, EndsOnRequestAndWritesTheSettings) {
  if (kWindows) GTEST_SKIP() << "runs the Linux build on a virtual display";
  testing_support::ScratchDirectory scratch;
  if (testing_support::RunInDirectory("command -v Xvfb && command -v python3 && unshare -n true", scratch.path())
          .exitCode != 0) {
    GTEST_SKIP() << "needs Xvfb, python3 and network namespaces";
  }
  scratch.Write("resident.sh", kResidentScript);
  const auto run = testing_support::RunInDirectory(
      "unshare -n " + std::string(BRAMLE_SOURCE_DIR) + "/scripts/with-xvfb.sh bash resident.sh " +
          testing_support::BramleExecutable(),
      scratch.path());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(scratch.Read("rc.txt"), "0\n") << scratch.Read("err.txt");
  EXPECT_EQ(scratch.Read("err.txt"), "");
  const std::string settings = scratch.Read("config/bramle/Bramle.inf");
  EXPECT_NE(settings.find("RESIDENT"), std::string::npos) << settings;
  EXPECT_NE(settings.find("client_portno"), std::string::npos) << settings;
}

}  // namespace
