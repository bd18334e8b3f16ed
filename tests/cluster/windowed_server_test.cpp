// bramle's windows as a person ends them, on a host with a virtual display
// (no notification area): the Linux program's Qt windows and the Windows
// program's Win32 windows under Wine, driven by keys (xdotool). A windowed
// -B exits 0 only when its build finished; a stopped one, or one whose
// window closed before the end, exits 1 and says so on the console.
#include <gtest/gtest.h>

#include <filesystem>

#include "diag/message_catalogue.h"
#include "support/bramle_process.h"
#include "support/cluster.h"

namespace testing_support {
namespace {

constexpr int kLimitMs = 120000;
constexpr size_t kServer = 0;
const std::filesystem::path kBuilds = std::filesystem::path(BRAMLE_BINARY_DIR).parent_path();

struct WindowedCase {
  const char* name;
  bool windows;      // the Windows program under Wine
  bool letItFinish;  // the command may end before the window closes
  const char* keys;  // typed into the status window
  int exitCode;
};

// Empty when a host with a display can be made and typed into.
std::string DisplayUnavailable() {
  if (std::string reason = Cluster::Unavailable(); !reason.empty()) return reason;
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) return "needs Xvfb and xdotool";
  return "";
}

// Keys typed (XTEST) into the window that has the focus: what Qt and Wine
// take as a person's typing.
constexpr const char* kTypist =
    "id=$(timeout 60 xdotool search --sync --onlyvisible --name \"$0\" | head -n 1) && [ -n \"$id\" ] && "
    "xdotool windowfocus --sync \"$id\" && xdotool key --delay 200 $1";

// Waits for the shown window titled `title`, gives it the focus and types
// `keys` (xdotool's names, blank-separated); the typist's exit code.
int TypeInto(Cluster& cluster, const std::string& title, const std::string& keys) {
  HostProcess& typist = cluster.Start(kServer, {"sh", "-c", kTypist, "^" + title + "$", keys});
  return typist.WaitForExit(kLimitMs);
}

// A table of cases whose server is the Linux program or, where `windows`
// says so, the Windows one under Wine.
template <typename Case>
class WindowedTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (const std::string reason = DisplayUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
    if (this->GetParam().windows && !std::filesystem::exists(kBuilds / "wineprefix" / "system.reg"))
      GTEST_SKIP() << "needs the Windows build and its Wine prefix in " << kBuilds;
  }
};
using WindowedServer = WindowedTest<WindowedCase>;

TEST_P(WindowedServer, ExitsZeroOnlyWhenEverythingWasBuilt) {
  const WindowedCase& c = GetParam();
  Cluster cluster({"srv"});
  ASSERT_EQ(cluster.Error(), "");
  // The one target waits until the test writes to the pipe (cmd.exe's type
  // opens it as /bin/sh's redirection does). The pipe is held open for
  // writing, so a reader never meets its end before the test writes: Wine
  // may open it without waiting for a writer.
  cluster.WriteFile("Makefile", std::string("all:\n\t") + (c.windows ? "type" : "read x <") + " wait.fifo\n");
  cluster.WriteSettings(kServer, "server_savelog = TRUE\nserver_savelogfile = server.log\n");
  ASSERT_TRUE(cluster.HoldPipes({"wait.fifo"}));
  ASSERT_EQ(cluster.StartDisplay(kServer), "");
  if (c.windows) ASSERT_EQ(cluster.StartWine(kServer, kBuilds / "wineprefix"), "");
  HostProcess& server = c.windows ? cluster.StartWindows(kServer, kBuilds / "windows" / "bramle.exe", {"-B"})
                                  : cluster.Start(kServer, {BramleExecutable(), "-B"});
  if (c.letItFinish) {
    ASSERT_TRUE(cluster.WriteToPipe("wait.fifo", "go\\n"));
    // The server writes its client's farewell once nothing is left to build.
    HostProcess& log = cluster.Start(kServer, {"tail", "-F", "server.log"});
    ASSERT_TRUE(log.WaitForOutput(diag::LoadMessage(diag::msg::kDisconnected), kLimitMs)) << server.Output();
  }
  EXPECT_EQ(TypeInto(cluster, "分散コンパイル", c.keys), 0);
  EXPECT_EQ(server.WaitForExit(kLimitMs), c.exitCode) << server.Output();
  const bool saidStopped = server.Output().find(diag::LoadMessage(diag::msg::kBuildStopped)) != std::string::npos;
  if (!c.windows) EXPECT_EQ(saidStopped, c.exitCode != 0) << server.Output();
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowedServer,
                         ::testing::Values(WindowedCase{"QtStopped", false, false, "alt+a Escape", 1},
                                           WindowedCase{"QtClosedEarly", false, false, "Escape", 1},
                                           WindowedCase{"QtFinished", false, true, "Escape", 0},
                                           WindowedCase{"Win32Stopped", true, false, "alt+a Escape", 1},
                                           WindowedCase{"Win32ClosedEarly", true, false, "Escape", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  bool windows;  // the server is the Windows program under Wine
  // Targets a and b, one on each client: the server's own client fails
  // when the test opens the gate; the Linux client on cli waits until its
  // command is cancelled.
  const char* makefile;
};

using WindowedServerFailure = WindowedTest<FailureCase>;

// A failed command's message box waits for a person, never for the build:
// while nobody closes it, the server cancels the other client's command,
// as it does without a window.
TEST_P(WindowedServerFailure, TheMessageBoxHoldsUpNoConnection) {
  const FailureCase& c = GetParam();
  Cluster cluster({"srv", "cli"});
  ASSERT_EQ(cluster.Error(), "");
  cluster.WriteFile("Makefile", c.makefile);
  for (size_t host : {kServer, size_t{1}}) cluster.WriteSettings(host, "client_noexecshellcmd = FALSE\n");
  ASSERT_TRUE(cluster.HoldPipes({"gate.fifo", "wait.fifo"}));
  ASSERT_EQ(cluster.StartDisplay(kServer), "");
  HostProcess& client = cluster.Start(1, {BramleExecutable(), "-R"});
  ASSERT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kResidentStarted), kLimitMs)) << client.Output();
  if (c.windows) ASSERT_EQ(cluster.StartWine(kServer, kBuilds / "wineprefix"), "");
  HostProcess& server = c.windows ? cluster.StartWindows(kServer, kBuilds / "windows" / "bramle.exe", {"-B"})
                                  : cluster.Start(kServer, {BramleExecutable(), "-B"});
  ASSERT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kRunningCommand), kLimitMs))
      << client.Output() << server.Output();
  // The other client is in its command: now the server's own one fails.
  ASSERT_TRUE(cluster.WriteToPipe("gate.fifo", "go\\n"));
  EXPECT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kCancelledByServer), kLimitMs))
      << client.Output() << server.Output();
  // Only now are the box and then the window closed.
  EXPECT_EQ(TypeInto(cluster, "bramle", "Return"), 0);
  EXPECT_EQ(TypeInto(cluster, "分散コンパイル", "Escape"), 0);
  EXPECT_EQ(server.WaitForExit(kLimitMs), 1) << server.Output();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowedServerFailure,
    ::testing::Values(
        FailureCase{
            "Qt", false,
            "all: a b\na b:\n\tsh -c \"test $$(hostname) = cli && read x < wait.fifo; read x < gate.fifo; exit 1\"\n"},
        // cmd.exe passes over the first line ("rem"), /bin/sh waits in it.
        FailureCase{"Win32", true, "all: a b\na b:\n\trem & read x < wait.fifo\n\t(set /p x=<gate.fifo) & exit 1\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// No notification area: the resident client says so once and shows its
// status window, whose close ends it.
TEST(WindowedClient, WithoutANotificationAreaItsStatusWindowStandsIn) {
  if (const std::string reason = DisplayUnavailable(); !reason.empty()) GTEST_SKIP() << reason;
  Cluster cluster({"cli"});
  ASSERT_EQ(cluster.Error(), "");
  ASSERT_EQ(cluster.StartDisplay(kServer), "");
  HostProcess& client = cluster.Start(kServer, {BramleExecutable(), "-R"});
  const std::string notice = diag::LoadMessage(diag::msg::kNoNotificationArea);
  ASSERT_TRUE(client.WaitForOutput(notice, kLimitMs)) << client.Output();
  EXPECT_EQ(TypeInto(cluster, "状況", "Escape"), 0);
  EXPECT_EQ(client.WaitForExit(kLimitMs), 0) << client.Output();
  EXPECT_EQ(client.Output().find(notice), client.Output().rfind(notice)) << client.Output();
}

}  // namespace
}  // namespace testing_support
