// cmake --install places the program, its window part where the installed
// program finds it, the guide and, on Linux, the unit that runs the
// resident client as a service from the installed program; cpack makes the
// Debian package of the same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

using testing_support::RunInDirectory;

const std::string kBuild = BRAMLE_BINARY_DIR;

class Install : public testing::Test {
 protected:
  void SetUp() override {
    if (platform::kPathSeparator == '\\') GTEST_SKIP() << "installing is tested from the Linux build";
  }
  bool HasWindowPart() const { return std::filesystem::exists(kBuild + "/bramle_qt.so"); }
  testing_support::ScratchDirectory scratch_;
};

TEST_F(Install, TheInstalledProgramRunsWithItsWindowsAndService) {
  const std::string prefix = (scratch_.path() / "usr").string();
  const auto install = RunInDirectory("cmake --install '" + kBuild + "' --prefix '" + prefix + "'", scratch_.path());
  if (install.exitCode == 127) GTEST_SKIP() << "cmake is not on the path";
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  const std::string program = prefix + "/bin/bramle";
  // A local build with the installed program.
  scratch_.Write("Makefile", "all:\n\techo built > out.txt\n");
  EXPECT_EQ(RunInDirectory("'" + program + "'", scratch_.path()).exitCode, 0);
  EXPECT_EQ(scratch_.Read("out.txt"), "built\n");
  EXPECT_TRUE(std::filesystem::exists(prefix + "/share/doc/bramle/guide.md"));
  // The windows are a part of their own: the program itself needs no Qt.
  const auto needed = RunInDirectory("readelf -d '" + program + "'", scratch_.path());
  EXPECT_NE(needed.out.find("(NEEDED)"), std::string::npos) << needed.err;
  EXPECT_EQ(needed.out.find("Qt"), std::string::npos) << needed.out;

  // The unit starts the program where this prefix put it.
  const std::string unit = scratch_.Read("usr/lib/systemd/system/bramle-client.service");
  EXPECT_NE(unit.find("\nExecStart=" + prefix + "/bin/bramle -R\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nUser=bramle\n"), std::string::npos) << unit;

  if (!HasWindowPart()) GTEST_SKIP() << "the window part is not built";
  ASSERT_TRUE(std::filesystem::exists(prefix + "/lib/bramle/bramle_qt.so"));
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_SKIP() << "needs Xvfb and xdotool to open the installed program's window";
  // -E opens its dialog (it would say it has no window part otherwise);
  // Escape cancels it. A key that comes before the dialog takes keys is
  // typed again (bounded); a dialog still open then is ended, failing.
  const auto dialog = RunInDirectory(
      "XDG_CONFIG_HOME=. '" + std::string(BRAMLE_SOURCE_DIR) + "/scripts/with-xvfb.sh' sh -c '\"$0\" -E & pid=$!; " +
          "id=$(timeout 30 xdotool search --sync --onlyvisible --name ^Bramleの設定 | head -n 1); "
          "for try in 1 2 3 4 5; do xdotool windowfocus --sync $id; xdotool key Escape; "
          "timeout 5 tail --pid=$pid -f /dev/null && break; done; kill $pid 2>/dev/null; wait $pid' '" + program + "'",
      scratch_.path());
  EXPECT_EQ(dialog.exitCode, 0) << dialog.out << dialog.err;
  EXPECT_EQ(dialog.err, "");
}

TEST_F(Install, TheDebianPackageHoldsTheSameFiles) {
  if (std::system("command -v cpack >/dev/null && command -v dpkg-deb >/dev/null") != 0)
    GTEST_SKIP() << "needs cpack and dpkg-deb";
  const auto pack = RunInDirectory("cpack -G DEB --config '" + kBuild + "/CPackConfig.cmake' -B pkg", scratch_.path());
  ASSERT_EQ(pack.exitCode, 0) << pack.out << pack.err;
  const auto contents = RunInDirectory("{ dpkg-deb -c pkg/bramle_*.deb && dpkg-deb -f pkg/bramle_*.deb Depends Recommends; }",
                                       scratch_.path());
  ASSERT_EQ(contents.exitCode, 0) << contents.err;
  std::vector<std::string> expected = {"./usr/bin/bramle\n", "./usr/lib/systemd/system/bramle-client.service\n",
                                       "./usr/share/doc/bramle/guide.md\n", "Depends: libc6",
                                       "Recommends: libqt6widgets6"};
  if (HasWindowPart()) expected.push_back("./usr/lib/bramle/bramle_qt.so\n");
  for (const std::string& text : expected) EXPECT_NE(contents.out.find(text), std::string::npos) << text << contents.out;
  // Qt only as a recommendation.
  const size_t depends = contents.out.find("Depends:");
  const std::string dependsLine = contents.out.substr(depends, contents.out.find('\n', depends) - depends);
  EXPECT_EQ(dependsLine.find("qt"), std::string::npos) << dependsLine;
}

}  // namespace
}  // namespace app::test
