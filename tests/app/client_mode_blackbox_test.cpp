// bramle -R with the console view and under its notification-area window:
// an end request (Ctrl+C, sent here before the program even waits for it)
// ends it with exit code 0 and its settings are written back. Linux build,
// in a network namespace of its own; the window on a virtual display.
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

// SIGINT is blocked before bramle starts, so it waits for the program's own
// signal thread instead of racing the program's start. A bramle that does
// not end is killed after a minute.
constexpr const char* kResidentScript = R"(set -u
ip link set lo up || exit 77
export XDG_CONFIG_HOME=$PWD/config TMPDIR=$PWD/tmp
mkdir -p tmp config/bramle
printf 'client_machinemane = RESIDENT\nclient_savelog = TRUE\nclient_savelogfile = %s/client.log\n' "$PWD" \
  >config/bramle/Bramle.inf
python3 -c 'import os, signal, sys
signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGINT])
pid = os.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1], "-R"])
os.kill(pid, signal.SIGINT)
signal.signal(signal.SIGALRM, lambda *_: os.kill(pid, signal.SIGKILL))
signal.alarm(60)
print(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), file=open("rc.txt", "w"))' "$1" >out.txt 2>err.txt
)";

TEST(ClientMode, EndsOnRequestAndWritesItsSettingsBack) {
  if (platform::kPathSeparator == '\\') GTEST_SKIP() << "a console event needs a console; the tests run without one";
  testing_support::ScratchDirectory probe;
  if (testing_support::RunInDirectory("command -v Xvfb && command -v python3 && unshare -n true", probe.path())
          .exitCode != 0) {
    GTEST_SKIP() << "needs Xvfb, python3 and network namespaces";
  }
  const std::pair<std::string, bool> cases[] = {
      // With the window part out of reach the console view serves.
      {std::string(testing_support::kNoWindowPart) + " unshare -n", true},
      {"unshare -n " + std::string(BRAMLE_SOURCE_DIR) + "/scripts/with-xvfb.sh", false},
  };
  for (const auto& [start, console] : cases) {
    SCOPED_TRACE(start);
    testing_support::ScratchDirectory scratch;
    scratch.Write("resident.sh", kResidentScript);
    const auto run = testing_support::RunInDirectory(start + " bash resident.sh " + testing_support::BramleExecutable(),
                                                     scratch.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(scratch.Read("rc.txt"), "0\n") << scratch.Read("err.txt");
    // Xvfb has no notification area: the windowed client says so, once.
    EXPECT_EQ(scratch.Read("err.txt"), console ? "" : diag::LoadMessage(diag::msg::kNoNotificationArea) + "\n");
    const std::string settings = scratch.Read("config/bramle/Bramle.inf");
    for (const char* line : {"client_machinemane = RESIDENT\n", "client_portno = ", "#End Config\n"}) {
      EXPECT_NE(settings.find(line), std::string::npos) << line;
    }
    // The console says it is resident, and the client thread ran (the window
    // ends before it starts one).
    const std::string out = scratch.Read("out.txt");
    const std::string log = scratch.Read("client.log");
    const bool resident = out.find("[RESIDENT") != std::string::npos &&
                          out.find(diag::LoadMessage(diag::msg::kResidentStarted)) != std::string::npos;
    EXPECT_EQ(resident, console) << out;
    for (unsigned number : {23502u, 23503u}) {
      EXPECT_EQ(log.find("[None][None] " + diag::LoadMessage(number)) != std::string::npos, console) << log;
    }
  }
}

}  // namespace
