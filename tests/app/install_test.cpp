// cmake --install places the program and, on Linux, the unit that runs the
// resident client as a service from the installed program.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

TEST(Install, PlacesTheProgramAndTheClientService) {
  if (platform::kPathSeparator == '\\') GTEST_SKIP() << "installing is tested from the Linux build";
  testing_support::ScratchDirectory scratch;
  const std::string prefix = (scratch.path() / "usr").string();
  const auto install = testing_support::RunInDirectory(
      "cmake --install '" + std::string(BRAMLE_BINARY_DIR) + "' --prefix '" + prefix + "'", scratch.path());
  if (install.exitCode == 127) GTEST_SKIP() << "cmake is not on the path";
  ASSERT_EQ(install.exitCode, 0) << install.out << install.err;

  const std::filesystem::path program = scratch.path() / "usr/bin/bramle";
  ASSERT_TRUE(std::filesystem::exists(program));
  EXPECT_NE(std::filesystem::status(program).permissions() & std::filesystem::perms::owner_exec,
            std::filesystem::perms::none);
  EXPECT_EQ(testing_support::RunInDirectory("'" + program.string() + "' -H", scratch.path()).exitCode, 1);
  // The windows are a part of their own: the program itself needs no Qt.
  const auto needed = testing_support::RunInDirectory("readelf -d '" + program.string() + "'", scratch.path());
  EXPECT_NE(needed.out.find("(NEEDED)"), std::string::npos) << needed.err;
  EXPECT_EQ(needed.out.find("Qt"), std::string::npos) << needed.out;
  const std::string unit = scratch.Read("usr/lib/systemd/system/bramle-client.service");
  // The unit starts the program where the configured prefix puts it.
  const size_t start = unit.find("\nExecStart=/");
  ASSERT_NE(start, std::string::npos) << unit;
  EXPECT_EQ(unit.substr(unit.find('\n', start + 1) - 14, 14), "/bin/bramle -R") << unit;
  EXPECT_NE(unit.find("\nRestart=on-failure\n"), std::string::npos) << unit;
  EXPECT_NE(unit.find("\nUser=bramle\n"), std::string::npos) << unit;
}

}  // namespace
}  // namespace app::test
