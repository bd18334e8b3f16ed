// Helpers shared by the settings, log and wire tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dist/settings_file.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace dist::test {

inline constexpr bool kWindows = platform::kPathSeparator == '\\';

using testing_support::OnDisk;

inline void ExpectSameValues(const SettingsFile& actual, const SettingsFile& expected) {
  EXPECT_EQ(actual.version, expected.version);
  EXPECT_TRUE(actual.client == expected.client);
  EXPECT_TRUE(actual.server == expected.server);
}

// The shell command that has the Linux build run the Windows build's test
// program `name` under Wine in the worktree's prefix (arguments go after
// it); empty, with the reason in `missing`, where that cannot be done.
inline std::string WineLaunch(const std::string& name, std::string& missing) {
  const std::string build = std::string(BRAMLE_SOURCE_DIR) + "/build";
  const std::string exe = build + "/windows/tests/" + name;
  const std::string prefix = build + "/wineprefix";
  if (kWindows) {
    missing = "the Linux build runs the Windows build";
  } else if (!platform::PathStatus(exe).exists) {
    missing = "no Windows build at " + exe;
  } else if (!platform::PathStatus(prefix + "/system.reg").exists) {
    missing = "no Wine prefix at " + prefix;
  } else if (testing_support::RunInDirectory("command -v wine </dev/null", build).exitCode != 0) {
    missing = "wine is not installed";
  }
  if (!missing.empty()) return "";
  // Wine's server and services start apart from the captured streams. The
  // server is the prefix's shared one: it lives where the original TMPDIR
  // says, and one started in the test's own directory could not be reached
  // (nor ended) once that directory is gone.
  const std::string environment = testing_support::OriginalTemporaryDirectoryAssignment() + "WINEPREFIX='" + prefix + "' WINEARCH=win32 WINEDEBUG=-all LC_ALL=ja_JP.UTF-8";
  return environment + " wineserver -p </dev/null >/dev/null 2>&1; " + environment +
         " wine cmd /c exit </dev/null >/dev/null 2>&1; " + environment + " wine '" + exe + "'";
}

}  // namespace dist::test
