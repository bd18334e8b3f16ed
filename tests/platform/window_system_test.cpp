#include "platform/window_system.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace platform {
namespace {

TEST(WindowSystem, ADisplayCountsOnlyWhenItsServerAnswers) {
  if (kPathSeparator == '\\') GTEST_SKIP() << "Windows always has its desktop";
  testing_support::ScopedVariable display("DISPLAY", std::nullopt);
  testing_support::ScopedVariable wayland("WAYLAND_DISPLAY", std::nullopt);
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
    testing_support::ScopedVariable display("DISPLAY", c.display);
    EXPECT_EQ(HasDisplay(), c.has) << c.display.value_or("(unset)");
  }
}

TEST(WindowSystem, AMissingModuleIsAPlainFailure) {
  std::string error;
  EXPECT_EQ(LoadModuleFunction("no-such-module-here.so", "f", error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace platform
