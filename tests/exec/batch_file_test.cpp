#include "exec/batch_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

class WriteBatchTest : public testing::Test {
 protected:
  std::string Directory() const { return scratch_.path().string(); }
  std::string Base(int number) const { return Directory() + platform::kPathSeparator + "mk" + std::to_string(number); }
  testing_support::ScratchDirectory scratch_;
};

// The command text is written unchanged, between the lines that keep its
// status and remove the (empty) marker.
TEST_F(WriteBatchTest, EachDialectWritesItsLinesAndAnEmptyMarker) {
  for (const bool cmd : {true, false}) {
    std::string command = cmd ? "cl /c a.c" : "echo {marker} {batch} %ERRORLEVEL% 'q'";
    std::string base;
    ASSERT_TRUE(exec::WriteBatch(command, base, cmd ? exec::CmdDialect() : exec::ShellDialect(), Directory()));
    EXPECT_EQ(command, base + (cmd ? ".bat" : ".sh"));
    const std::string name = std::filesystem::path(base).filename().string();
    EXPECT_EQ(name.rfind("mk", 0), 0u);
    EXPECT_EQ(scratch_.Read(name + (cmd ? ".bat" : ".sh")),
              cmd ? "@ECHO OFF\r\ncl /c a.c\r\nSET BACKVAR=%ERRORLEVEL%\r\nerase " + base + ".m\r\nSET ERRORLEVEL=%BACKVAR%"
                  : "echo {marker} {batch} %ERRORLEVEL% 'q'\nBACKVAR=$?\nrm -f '" + base + ".m'\nreturn $BACKVAR");
    EXPECT_TRUE(std::filesystem::exists(base + ".m"));
    EXPECT_EQ(std::filesystem::file_size(base + ".m"), 0u);
  }
}

// Names are never shared; whatever number comes next, the batch name or
// the marker name of the next few is taken already and skipped.
TEST_F(WriteBatchTest, NamesAreNeverSharedAndExistingFilesOfEitherKindAreSkipped) {
  std::set<std::string> bases;
  std::string probeBase;
  for (int i = 0; i < 20; ++i) {
    std::string probe = "x";
    ASSERT_TRUE(exec::WriteBatch(probe, probeBase, exec::CmdDialect(), Directory()));
    EXPECT_TRUE(bases.insert(probeBase).second) << probeBase;
  }
  const int next = std::stoi(std::filesystem::path(probeBase).filename().string().substr(2)) + 1;
  scratch_.Write("mk" + std::to_string(next) + ".bat", "someone else's");
  scratch_.Write("mk" + std::to_string(next + 1) + ".m", "");
  std::string command = "y";
  std::string base;
  ASSERT_TRUE(exec::WriteBatch(command, base, exec::CmdDialect(), Directory()));
  EXPECT_EQ(base, Base(next + 2));
  EXPECT_EQ(scratch_.Read("mk" + std::to_string(next) + ".bat"), "someone else's");
  EXPECT_FALSE(std::filesystem::exists(Base(next + 1) + ".bat"));
}

TEST_F(WriteBatchTest, UnwritableDirectoryLeavesTheCommandUnchanged) {
  std::string command = "cl /c a.c";
  std::string base = "before";
  EXPECT_FALSE(exec::WriteBatch(command, base, exec::CmdDialect(), Directory() + platform::kPathSeparator + "missing"));
  EXPECT_EQ(command, "cl /c a.c");
  EXPECT_EQ(base, "before");
}

TEST(QuotePathTest, CmdQuotesOnlyWhenNeededShellAlways) {
  EXPECT_EQ(exec::QuotePath("C:\\tmp\\mk3.m", exec::CmdDialect()), "C:\\tmp\\mk3.m");
  EXPECT_EQ(exec::QuotePath("C:\\Documents and Settings\\mk3.m", exec::CmdDialect()),
            "\"C:\\Documents and Settings\\mk3.m\"");
  EXPECT_EQ(exec::QuotePath("C:\\a&b\\mk3.m", exec::CmdDialect()), "\"C:\\a&b\\mk3.m\"");
  EXPECT_EQ(exec::QuotePath("/tmp/it's/mk3.m", exec::ShellDialect()), "'/tmp/it'\\''s/mk3.m'");
}

TEST(FillTemplateTest, FillsEveryHoleOnce) {
  EXPECT_EQ(exec::FillTemplate("CALL {sync} B& CALL {batch} & {token}{token} {other}", "b.bat", "m", "s.bat", "T"),
            "CALL s.bat B& CALL b.bat & TT {other}");
}

}  // namespace
