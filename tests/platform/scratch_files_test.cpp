#include "platform/scratch_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

TEST(ScratchFilesTest, ExclusiveCreationPlainFilesAndRemoval) {
  testing_support::ScratchDirectory scratch;
  const std::string path = (scratch.path() / "claimed.txt").string();
  EXPECT_EQ(platform::CreateFileExclusively(path, std::string("first\0x", 7)), platform::CreateResult::Created);
  EXPECT_EQ(platform::CreateFileExclusively(path, "second"), platform::CreateResult::Exists);
  EXPECT_EQ(scratch.Read("claimed.txt"), std::string("first\0x", 7));
  EXPECT_EQ(platform::CreateFileExclusively((scratch.path() / "missing" / "x.txt").string(), ""),
            platform::CreateResult::Failed);
  // A plain file, not a directory nor nothing; removed once.
  scratch.Write("file.txt", "x");
  std::filesystem::create_directory(scratch.path() / "dir");
  const std::string file = (scratch.path() / "file.txt").string();
  EXPECT_TRUE(platform::IsPlainFile(file));
  EXPECT_FALSE(platform::IsPlainFile((scratch.path() / "dir").string()));
  EXPECT_FALSE(platform::IsPlainFile((scratch.path() / "none").string()));
  EXPECT_TRUE(platform::RemoveFile(file));
  EXPECT_FALSE(platform::IsPlainFile(file));
  EXPECT_FALSE(platform::RemoveFile(file));
}

TEST(ScratchFilesTest, TemporaryDirectoryHasNoTrailingSeparator) {
  const std::string directory = platform::TemporaryDirectory();
  ASSERT_FALSE(directory.empty());
  if (directory.size() > 1) {
    EXPECT_NE(directory.back(), platform::kPathSeparator);
  }
}

}  // namespace
