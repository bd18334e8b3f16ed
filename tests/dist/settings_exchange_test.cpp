#include <gtest/gtest.h>

#include "dist/dist_test_support.h"
#include "dist/settings_file.h"
#include "support/bramle_process.h"

namespace dist::test {
namespace {

// A file the Linux build writes is read by the Windows build, which writes
// it again with its own line ends; reading that back gives the same values.
TEST(SettingsExchangeTest, EachBuildReadsTheOtherBuildsFile) {
  std::string missing;
  const std::string launch = WineLaunch("settings_copy.exe", missing);
  if (launch.empty()) GTEST_SKIP() << missing;
  testing_support::ScratchDirectory scratch;
  const std::string linuxFile = (scratch.path() / "linux.inf").string();
  const std::string windowsFile = (scratch.path() / "windows.inf").string();
  SettingsFile written(linuxFile, "PC01");
  written.client = {false, 1234, "\xe8\xa1\xa8-box", false, true, "c log.txt", true, false, "10.0.0.0/8 srv"};
  written.server = {"build-01", 5, true, -6, false, false, 2147483647, true, "s#log", false, "10.0.0.0/8 box"};
  ASSERT_TRUE(written.SaveSettings());

  const std::string command = launch + " '" + testing_support::WinePath(linuxFile) + "' '" + testing_support::WinePath(windowsFile) + "' </dev/null";
  const testing_support::ProcessResult result = testing_support::RunInDirectory(command, scratch.path());
  ASSERT_EQ(result.exitCode, 0) << result.err;

  SettingsFile read(windowsFile, "OTHER");
  read.LoadSettings();
  written.server.saveLogFile = "s";  // a "#" starts a comment
  ExpectSameValues(read, written);

  // The same text, with the Windows line ends.
  ASSERT_TRUE(written.SaveSettings());
  EXPECT_EQ(scratch.Read("windows.inf"), testing_support::ToCrLf(scratch.Read("linux.inf")));
}

}  // namespace
}  // namespace dist::test
