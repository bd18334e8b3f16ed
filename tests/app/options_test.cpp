// The build options together on one tree: old.out is out of date, new.out
// is up to date, gone.out does not exist (its command is silent).
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "local_build_fixture.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

std::string Touched(const char* name) { return diag::FormatCatalogMessage(22500, name) + "\n"; }
std::string NotFound(const char* name) { return diag::FormatCatalogMessage(22501, name) + "\n"; }

TEST_F(LocalBuild, OptionsTogether) {
  const std::string tree =
      "all: old.out new.out gone.out\n"
      "old.out: src.in\n\techo old> old.out\n\techo old\n"
      "new.out: src.in\n\techo new> new.out\n\techo new\n"
      "gone.out: src.in\n\t@echo gone> gone.out\n";
  const std::vector<std::pair<std::string, int>> files = {{"src.in", 20}, {"old.out", 30}, {"new.out", 10}};
  ExpectRuns({
      {tree, files, {}, 0, "  echo old> old.out\n  echo old\nold\n", ""},
      {tree, files, {"-Q"}, 0, "  echo old> old.out\n  echo old\n", ""},
      {tree, files, {"-A", "-N"}, 0, "  echo old> old.out\n  echo old\n  echo new> new.out\n  echo new\n", ""},
      {tree, files, {"-A", "-X", "-N"}, 0, "MaxCount: 3\nCount: 1\nCount: 2\nCount: 3\n", "old.out\nnew.out\ngone.out\n"},
      // -N clears only the echo and run flags; touching still replaces the run.
      {tree, files, {"-N", "-T"}, 0, Touched("old.out") + NotFound("gone.out"), ""},
      {tree, files, {"/a", "/t"}, 0, Touched("old.out") + Touched("new.out") + NotFound("gone.out"), ""},
      // Progress counts what is out of date; touching writes no Count lines.
      {tree, files, {"-T", "-X"}, 0, "MaxCount: 2\n" + Touched("old.out") + NotFound("gone.out"), ""},
      // Touching still stops at a missing file.
      {"all: old.out\nold.out: src.in missing.h\n\techo old> old.out\n", files, {"-T"}, 1, "", Fatal(30008, "missing.h")},
  });
}

TEST_F(LocalBuild, ListOnlyStillWritesTheTemporaryInlineFile) {
  Makefile(std::string("t:\n\t") + kShowFile + " <<\nfirst $@\n<<\n");
  const auto result = RunWithTemporary(Directory().string(), {"-N"});
  EXPECT_EQ(result.exitCode, 0);
  const std::string prefix = std::string("  ") + kShowFile + " ";
  ASSERT_EQ(result.out.rfind(prefix, 0), 0u) << result.out;
  ASSERT_EQ(result.out.back(), '\n');
  const std::string name = result.out.substr(prefix.size(), result.out.size() - prefix.size() - 1);
  EXPECT_EQ(testing_support::NativePath(name).rfind(Directory().string(), 0), 0u) << name;
  const std::string leaf = name.substr(name.find_last_of(platform::kPathSeparator) + 1);
  EXPECT_EQ(leaf.rfind("min", 0), 0u) << leaf;
  EXPECT_EQ(leaf.substr(leaf.size() - 4), ".inl");
  EXPECT_EQ(Read(leaf), NativeLines("first \"t\"\n\n"));
}

}  // namespace
}  // namespace app::test
