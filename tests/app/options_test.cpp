// The build options together on one tree: old.out is out of date, new.out
// is up to date, gone.out does not exist (its command is silent).
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "local_build_fixture.h"

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

}  // namespace
}  // namespace app::test
