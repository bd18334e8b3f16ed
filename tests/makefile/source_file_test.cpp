#include "makefile/source_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/directory.h"
#include "support/bramle_process.h"

namespace makefile {
namespace {

using testing_support::ScratchDirectory;

std::vector<std::string> ReadAll(SourceFile& file) {
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadLine(line)) lines.push_back(line);
  return lines;
}

std::unique_ptr<SourceFile> OpenWritten(const ScratchDirectory& dir, const std::string& content) {
  dir.Write("Makefile", content);
  return SourceFile::Open((dir.path() / "Makefile").string());
}

TEST(SourceFile, SplitsAtLineFeedsAndDropsTheCarriageReturn) {
  // Long lines keep every byte, NUL and lone CR included.
  std::string longLine(3 << 20, 'x');
  longLine[100000] = '\0';
  longLine[200000] = '\r';
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"a\r\nb\n\r\nlast", {"a", "b", "", "last"}},
      {"", {}},
      {longLine + "\r\nnext\n", {longLine, "next"}},
  };
  for (const auto& [content, lines] : cases) {
    ScratchDirectory dir;
    auto file = OpenWritten(dir, content);
    ASSERT_TRUE(file);
    EXPECT_TRUE(ReadAll(*file) == lines) << content.substr(0, 20);
    EXPECT_EQ(file->lineNumber(), static_cast<int>(lines.size()));
  }
}

TEST(SourceFile, KnowsItsFullPathWithoutDotComponentsAndItsName) {
  ScratchDirectory dir;
  dir.Write("Makefile", "x\n");
  dir.Write(testing_support::NativePath("sub\\keep"), "");
  auto file = SourceFile::Open((dir.path() / "sub" / ".." / "." / "Makefile").string());
  ASSERT_TRUE(file);
  EXPECT_EQ(file->fullPath().find(".."), std::string::npos);
  EXPECT_EQ(file->fullPath().find(testing_support::NativePath("\\.\\")), std::string::npos);
  EXPECT_TRUE(platform::SamePath(file->fullPath(), platform::FullPath((dir.path() / "Makefile").string())));
  EXPECT_EQ(file->fileName(), "Makefile");
}

TEST(SourceFile, MissingFilesAndDirectoriesDoNotOpen) {
  ScratchDirectory dir;
  EXPECT_FALSE(SourceFile::Open((dir.path() / "missing.mak").string()));
  EXPECT_FALSE(SourceFile::Open(dir.path().string()));
  EXPECT_FALSE(SourceFile::Open(""));
}

}  // namespace
}  // namespace makefile
