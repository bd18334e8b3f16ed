// The build options together on one tree: old.out is out of date, new.out
// is up to date, gone.out does not exist (its command is silent).
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "local_build_fixture.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

class BuildOptionsTree : public LocalBuild {
 protected:
  void SetUp() override {
    Makefile(
        "all: old.out new.out gone.out\n"
        "old.out: src.in\n\techo old> old.out\n"
        "new.out: src.in\n\techo new> new.out\n"
        "gone.out: src.in\n\t@echo gone> gone.out\n");
    MakeFile("src.in", 20);
    MakeFile("old.out", 30);
    MakeFile("new.out", 10);
  }

  static std::string Touched(const char* name) { return diag::FormatCatalogMessage(22500, name) + "\n"; }
  static std::string NotFound(const char* name) { return diag::FormatCatalogMessage(22501, name) + "\n"; }

  // Nothing was built or touched.
  void ExpectTreeUnchanged() const {
    EXPECT_EQ(Read("old.out"), "x\n");
    EXPECT_FALSE(IsNewerThanReference("old.out"));
    EXPECT_FALSE(IsNewerThanReference("new.out"));
    EXPECT_FALSE(Exists("gone.out"));
  }
};

TEST_F(BuildOptionsTree, QueryListsWhatIsOutOfDateAndSucceeds) {
  const auto result = Run({"-Q"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "  echo old> old.out\n");
  EXPECT_EQ(result.err, "");
  ExpectTreeUnchanged();
}

TEST_F(BuildOptionsTree, ListOnlyTakesBuildAll) {
  const auto result = Run({"-A", "-N"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "  echo old> old.out\n  echo new> new.out\n");
  ExpectTreeUnchanged();

  const auto progress = Run({"-A", "-X", "-N"});
  EXPECT_EQ(progress.exitCode, 0);
  EXPECT_EQ(progress.out, "MaxCount: 3\nCount: 1\nCount: 2\nCount: 3\n");
  EXPECT_EQ(progress.err, "old.out\nnew.out\ngone.out\n");
}

TEST_F(BuildOptionsTree, TouchIsNotUndoneByListOnly) {
  // -N clears only the echo and run flags; touching still replaces the run.
  for (const std::vector<std::string>& options : {std::vector<std::string>{"-N", "-T"}, {"-T", "-N"}}) {
    SetAge("old.out", 30);
    const auto result = Run(options);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, Touched("old.out") + NotFound("gone.out"));
    EXPECT_TRUE(IsNewerThanReference("old.out"));
    EXPECT_EQ(Read("old.out"), "x\n");
    EXPECT_FALSE(Exists("gone.out"));
  }
}

TEST_F(BuildOptionsTree, TouchWithBuildAllProgressAndTimestamps) {
  const auto all = Run({"/a", "/t"});
  EXPECT_EQ(all.exitCode, 0);
  EXPECT_EQ(all.out, Touched("old.out") + Touched("new.out") + NotFound("gone.out"));

  SetAge("old.out", 30);
  SetAge("new.out", 10);
  // Progress counts what is out of date; touching writes no Count lines.
  const auto progress = Run({"-T", "-X"});
  EXPECT_EQ(progress.exitCode, 0);
  EXPECT_EQ(progress.out, "MaxCount: 2\n" + Touched("old.out") + NotFound("gone.out"));
  EXPECT_EQ(progress.err, "");

  SetAge("old.out", 30);
  const auto timestamps = Run({"-T", "-D"});
  EXPECT_EQ(timestamps.exitCode, 0);
  const size_t view = timestamps.out.find("| [Target] old.out :\n");
  const size_t touched = timestamps.out.find(Touched("old.out"));
  ASSERT_NE(view, std::string::npos) << timestamps.out;
  ASSERT_NE(touched, std::string::npos) << timestamps.out;
  EXPECT_LT(view, touched);
  EXPECT_NE(timestamps.out.find("| [Target] gone.out :\n|   File is not exist.\n"), std::string::npos);
}

TEST_F(BuildOptionsTree, TouchStillStopsAtAMissingFile) {
  Makefile("all: old.out\nold.out: src.in missing.h\n\techo old> old.out\n");
  const auto result = Run({"-T"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, Fatal(30008, "missing.h"));
  ExpectTreeUnchanged();
}

TEST_F(BuildOptionsTree, BatchRunnerWithOptions) {
  const auto listed = Run({"-L", "-N"});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, "  echo old> old.out\n");
  ExpectTreeUnchanged();

  const auto built = Run({"-L", "-S"});
  EXPECT_EQ(built.exitCode, 0) << built.err;
  EXPECT_EQ(built.out, "");
  EXPECT_EQ(Read("old.out"), NativeLines("old\n"));
  EXPECT_EQ(Read("gone.out"), NativeLines("gone\n"));
}

// Temporary inline files go where TMP (Windows) or TMPDIR says; here the
// scratch directory, so that the test can find them.
class InlineFileOptions : public LocalBuild {
 protected:
  testing_support::ProcessResult RunWithTemporaryHere(const std::vector<std::string>& arguments) const {
    return testing_support::RunBramleWithVariable(kWindows ? "TMP" : "TMPDIR", Directory().string(), arguments,
                                                  Directory());
  }
};

TEST_F(InlineFileOptions, ListOnlyStillWritesTheTemporaryFile) {
  Makefile(std::string("t:\n\t") + kShowFile + " <<\nfirst $@\n<<\n");
  const auto result = RunWithTemporaryHere({"-N"});
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

TEST_F(InlineFileOptions, ProgressWithInlineFilesEchoesAndRuns) {
  Makefile(std::string("t:\n\t@") + kShowFile + " <<list.txt\nhello\n<<KEEP\n");
  const auto result = Run({"-X2"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "MaxCount: 1\nCount: 1\n");
  // Even a silent line is echoed with its inline file; its output is not
  // passed on.
  EXPECT_EQ(result.err, std::string("t\n") + kShowFile + " list.txt >>\nhello\n\n>>\n");
  EXPECT_EQ(Read("list.txt"), NativeLines("hello\n\n"));
}

}  // namespace
}  // namespace app::test
