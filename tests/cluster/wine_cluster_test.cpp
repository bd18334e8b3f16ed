// The two builds in one cluster: the Windows program under Wine as a
// resident client of a Linux server (also with its window, on a virtual
// display), and as a server of a Linux client. Needs the Windows build and
// the Wine prefix beside the Linux build (what the Windows test preset
// makes); skips without them.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "diag/message_catalogue.h"
#include "support/bramle_process.h"
#include "support/cluster.h"

namespace testing_support {
namespace {

constexpr int kLimitMs = 120000;
constexpr size_t kServer = 0;
constexpr int kTargets = 12;

const std::filesystem::path kBuilds = std::filesystem::path(BRAMLE_BINARY_DIR).parent_path();

// 表示 in the two code pages.
const std::string kShownUtf8 = "\xE8\xA1\xA8\xE7\xA4\xBA";
const std::string kShownCp932 = "\x95\x5C\x8E\xA6";

// Each target's first line waits for the test's go under /bin/sh and passes
// at once under cmd.exe (for which everything after "rem" is a remark).
// Then the target shows `shown` (in the code page of the server, which
// reads the makefile) and notes the machine that built it.
std::string Makefile(const std::string& shown) {
  std::string all = "all:";
  std::string rules;
  for (int i = 0; i < kTargets; ++i) {
    const std::string name = "t" + std::to_string(i);
    all += " " + name;
    rules += name + ":\n\trem & read go < go.fifo\n\techo " + shown + "\n\thostname > " + name + ".host\n";
  }
  return all + "\n" + rules;
}

class WineCluster : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string reason = Cluster::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
    if (!std::filesystem::exists(kBuilds / "windows" / "bramle.exe") ||
        !std::filesystem::exists(kBuilds / "wineprefix" / "system.reg")) {
      GTEST_SKIP() << "needs the Windows build and its Wine prefix in " << kBuilds;
    }
    cluster_ = std::make_unique<Cluster>(std::vector<std::string>{"srv", "hostb"});
    ASSERT_EQ(cluster_->Error(), "");
    cluster_->WriteFile("Makefile", Makefile(kShownUtf8));
    // The go lines wait in the pipe for their readers.
    ASSERT_TRUE(cluster_->HoldPipes({"go.fifo"}));
    // "rem" names a built-in: every client must run it.
    for (size_t host : {size_t{0}, size_t{1}}) cluster_->WriteSettings(host, "client_noexecshellcmd = FALSE\n");
  }

  // A Linux server builds with the in-process client and the Windows
  // client on hostb.
  void BuildWithTheWindowsClient(HostProcess& client) {
    HostProcess& server = cluster_->Start(kServer, {BramleExecutable(), "-B"});
    ASSERT_TRUE(server.WaitForOutput("(HOSTB)\n", kLimitMs)) << server.Output() << client.Output();
    GoAndExpectBothBuilders(server);
  }

  // Lets every target go; the server ends well, the builders the targets
  // noted are both hosts (lower case), and every target's output line is
  // on the server's console in its own code page, `shown`.
  void GoAndExpectBothBuilders(HostProcess& server, const std::string& shown = kShownUtf8) {
    std::string lines;
    for (int i = 0; i < kTargets; ++i) lines += "go\\n";
    EXPECT_TRUE(cluster_->WriteToPipe("go.fifo", lines));
    EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
    std::set<std::string> builders;
    for (int i = 0; i < kTargets; ++i) {
      std::string host;
      for (char c : cluster_->ReadFile("t" + std::to_string(i) + ".host")) {
        if (c != '\r' && c != '\n') host += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      }
      builders.insert(host);
    }
    EXPECT_EQ(builders, (std::set<std::string>{"hostb", "srv"})) << server.Output();
    const std::string out = server.Output();
    int shownLines = 0;
    for (size_t at = out.find("\n" + shown); at != std::string::npos; at = out.find("\n" + shown, at + 1)) {
      ++shownLines;
    }
    EXPECT_EQ(shownLines, kTargets) << out;
  }

  std::unique_ptr<Cluster> cluster_;
};

TEST_F(WineCluster, WindowsClientServesALinuxServer) {
  ASSERT_EQ(cluster_->StartWine(1, kBuilds / "wineprefix"), "");
  HostProcess& client = cluster_->StartWindows(1, kBuilds / "windows" / "bramle.exe", {"-R"});
  // Resident (its line is in code page 932: only the program's name is
  // looked for), so the first announcement finds it, not the repeat.
  ASSERT_TRUE(client.WaitForOutput("] Bramle ", kLimitMs)) << client.Output();
  // The in-process client waits in its first target until the Windows
  // client has built one.
  BuildWithTheWindowsClient(client);
}

TEST_F(WineCluster, WindowsClientWithItsWindowServesALinuxServer) {
  const std::filesystem::path windowTexts = kBuilds / "windows" / "tests" / "window_texts.exe";
  if (std::system("command -v Xvfb >/dev/null") != 0 || !std::filesystem::exists(windowTexts))
    GTEST_SKIP() << "needs Xvfb and " << windowTexts;
  ASSERT_EQ(cluster_->StartDisplay(1), "");
  ASSERT_EQ(cluster_->StartWine(1, kBuilds / "wineprefix"), "");
  // Its console says nothing: should the server's first announcement come
  // before the client listens, the repeat ten seconds later finds it.
  HostProcess& client = cluster_->StartWindows(1, kBuilds / "windows" / "bramle.exe", {"-R"});
  ASSERT_NO_FATAL_FAILURE(BuildWithTheWindowsClient(client));
  // The status window opened with the build phase and lists the commands.
  HostProcess& window = cluster_->StartWindows(1, windowTexts, {"状況"});
  EXPECT_EQ(window.WaitForExit(kLimitMs), 0);
  const std::string texts = window.Output();
  EXPECT_EQ(texts.rfind("shown\n", 0), 0u) << texts;
  EXPECT_NE(texts.find("hostname > t"), std::string::npos) << texts;
}

TEST_F(WineCluster, LinuxClientServesAWindowsServer) {
  cluster_->WriteFile("Makefile", Makefile(kShownCp932));
  ASSERT_EQ(cluster_->StartWine(kServer, kBuilds / "wineprefix"), "");
  HostProcess& client = cluster_->Start(1, {BramleExecutable(), "-R"});
  ASSERT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kResidentStarted), kLimitMs)) << client.Output();
  // The Windows server's own client builds target after target; the Linux
  // client waits in the first it takes.
  HostProcess& server = cluster_->StartWindows(kServer, kBuilds / "windows" / "bramle.exe", {"-B"});
  ASSERT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kRunningCommand), kLimitMs))
      << client.Output() << server.Output();
  GoAndExpectBothBuilders(server, kShownCp932);
  client.Terminate();
  EXPECT_EQ(client.WaitForExit(kLimitMs), 0) << client.Output();
}

}  // namespace
}  // namespace testing_support
