#include "platform/window_system.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/environment_edit.h"
#include "platform/path.h"

namespace platform {
namespace {

TEST(WindowSystem, ADisplayCountsOnlyWhenItsServerAnswers) {
  if (kPathSeparator == '\\') GTEST_SKIP() << "Windows always has its desktop";
  const auto display = GetEnvironmentVariableText("DISPLAY");
  const auto wayland = GetEnvironmentVariableText("WAYLAND_DISPLAY");
  SetEnvironmentVariableText("WAYLAND_DISPLAY", std::nullopt);
  const struct {
    std::optional<std::string> display;
    bool has;
  } cases[] = {
      {std::nullopt, false},
      {"", false},
      {":65000", false},        // no server behind this number
      {"unix:65000.0", false},
      {"no-colon", false},
      {"otherhost:0", true},    // a remote display is taken as there
  };
  for (const auto& c : cases) {
    SetEnvironmentVariableText("DISPLAY", c.display);
    EXPECT_EQ(HasDisplay(), c.has) << c.display.value_or("(unset)");
  }
  SetEnvironmentVariableText("DISPLAY", display);
  SetEnvironmentVariableText("WAYLAND_DISPLAY", wayland);
}

TEST(WindowSystem, AMissingModuleIsAPlainFailure) {
  std::string error;
  EXPECT_EQ(LoadModuleFunction("no-such-module-here.so", "f", error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace platform
