#include "distributed/settings_location.h"

#include <gtest/gtest.h>

#include <optional>

#include "distributed/settings_file.h"
#include "engine/path_parts.h"
#include "platform/path.h"
#include "platform/scratch_files.h"
#include "platform/system_info.h"
#include "support/bramle_process.h"

namespace distributed::test {
namespace {

using testing_support::ScopedVariable;

constexpr bool kWindows = platform::kPathSeparator == '\\';

class SettingsLocationTest : public ::testing::Test {
 protected:
  testing_support::ScratchDirectory scratch_;
};

TEST_F(SettingsLocationTest, BesideTheProgramWhenThereOrWithoutUserSettings) {
  const std::string program = scratch_.File("bin") + platform::kPathSeparator;
  const std::string user = scratch_.File("config");
  const std::string inUser = user + platform::kPathSeparator + "bramle" + platform::kPathSeparator + "Bramle.inf";
  EXPECT_EQ(SettingsPathFor(program, ""), program + "Bramle.inf");
  EXPECT_EQ(SettingsPathFor(program, user), inUser);
  EXPECT_EQ(SettingsPathFor(program, user + platform::kPathSeparator), inUser);
  scratch_.Write("bin\\Bramle.inf", "");
  EXPECT_EQ(SettingsPathFor(program, user), program + "Bramle.inf");
}

TEST_F(SettingsLocationTest, UserSettingsFollowTheEnvironment) {
  if (kWindows) {
    EXPECT_EQ(platform::UserConfigDirectory(), "");
    GTEST_SKIP() << "Windows keeps the settings beside the executable";
  }
  const std::string home = scratch_.File("home");
  const std::string xdg = scratch_.File("xdg");
  struct Case {
    std::optional<std::string> home;
    std::optional<std::string> xdgConfigHome;
    std::string expected;  // empty: no user settings
  };
  const Case cases[] = {
      {home, xdg, xdg},
      {home, std::nullopt, home + "/.config"},
      {home, "relative/config", home + "/.config"},
      {"", std::nullopt, ""},
      {std::nullopt, std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.home.value_or("(unset)") + " " + c.xdgConfigHome.value_or("(unset)"));
    ScopedVariable homeVariable("HOME", c.home);
    ScopedVariable xdgVariable("XDG_CONFIG_HOME", c.xdgConfigHome);
    EXPECT_EQ(platform::UserConfigDirectory(), c.expected);
  }
}

TEST_F(SettingsLocationTest, DefaultFileIsMadeInTheUserSettingsWhenFirstSaved) {
  const std::string program = engine::SplitPath(platform::ModulePath()).directory;
  if (kWindows) {
    EXPECT_EQ(DefaultSettingsPath(), program + "\\Bramle.inf");
    GTEST_SKIP() << "Windows keeps the settings beside the executable";
  }
  if (platform::IsPlainFile(program + "/Bramle.inf")) GTEST_SKIP() << "a Bramle.inf lies beside the test program";
  ScopedVariable home("HOME", scratch_.File("home"));
  ScopedVariable xdg("XDG_CONFIG_HOME", std::nullopt);
  const SettingsFile settings;
  EXPECT_EQ(settings.path(), scratch_.File("home") + "/.config/bramle/Bramle.inf");
  ASSERT_TRUE(settings.SaveSettings());
  EXPECT_NE(scratch_.Read("home/.config/bramle/Bramle.inf"), "");
}

}  // namespace
}  // namespace distributed::test
