#include <gtest/gtest.h>

#include "dist/dist_test_support.h"
#include "dist/settings_file.h"
#include "platform/file_status.h"
#include "support/bramle_process.h"

namespace dist::test {
namespace {

// The Windows build beside this one, as the presets lay them out.
const std::string kSourceDirectory = BRAMLE_SOURCE_DIR;
const std::string kWindowsCopy = kSourceDirectory + "/build/windows/tests/settings_copy.exe";
const std::string kWinePrefix = kSourceDirectory + "/build/wineprefix";

std::string WindowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return "Z:" + path;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A file the Linux build writes is read by the Windows build, which writes
// it again with its own line ends; reading that back gives the same values.
TEST(SettingsExchangeTest, EachBuildReadsTheOtherBuildsFile) {
  if (kWindows) GTEST_SKIP() << "the Linux build runs the exchange";
  if (!platform::PathStatus(kWindowsCopy).exists) GTEST_SKIP() << "no Windows build at " << kWindowsCopy;
  if (!platform::PathStatus(kWinePrefix + "/system.reg").exists) GTEST_SKIP() << "no Wine prefix at " << kWinePrefix;
  testing_support::ScratchDirectory scratch;
  if (testing_support::RunInDirectory("command -v wine </dev/null", scratch.path()).exitCode != 0) {
    GTEST_SKIP() << "wine is not installed";
  }

  const std::string linuxFile = (scratch.path() / "linux.inf").string();
  const std::string windowsFile = (scratch.path() / "windows.inf").string();
  SettingsFile written(linuxFile, "PC01");
  written.client = {false, 1234, "\xe8\xa1\xa8-box", false, true, "c log.txt", true, false, "10.0.0.0/8 srv"};
  written.server = {"build-01", 5, true, -6, false, false, 2147483647, true, "s#log", false, "10.0.0.0/8 box"};
  ASSERT_TRUE(written.SaveSettings());

  const std::string command = "WINEPREFIX=" + Quoted(kWinePrefix) + " WINEARCH=win32 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 wine " +
                              Quoted(kWindowsCopy) + " " + Quoted(WindowsPath(linuxFile)) + " " +
                              Quoted(WindowsPath(windowsFile)) + " </dev/null";
  const testing_support::ProcessResult result = testing_support::RunInDirectory(command, scratch.path());
  ASSERT_EQ(result.exitCode, 0) << result.err;

  SettingsFile read(windowsFile, "OTHER");
  read.LoadSettings();
  written.server.saveLogFile = "s";  // a "#" starts a comment
  ExpectSameValues(read, written);

  // The same text, with the Windows line ends.
  ASSERT_TRUE(written.SaveSettings());
  std::string expected;
  for (char c : scratch.Read("linux.inf")) expected += c == '\n' ? "\r\n" : std::string(1, c);
  EXPECT_EQ(scratch.Read("windows.inf"), expected);
}

}  // namespace
}  // namespace dist::test
