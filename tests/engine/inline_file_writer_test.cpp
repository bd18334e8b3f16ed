#include "engine/inline_file_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "file_fixture.h"
#include "platform/path.h"
#include "platform/scratch_files.h"

namespace engine {
namespace {

constexpr bool kWindows = platform::kPathSeparator == '\\';

std::string TextFile(const std::string& text) {
  if (!kWindows) return text;
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted.push_back('\r');
    converted.push_back(c);
  }
  return converted;
}

CommandLine Inline(const std::string& text, const std::string& name, InlineKind kind) {
  CommandLine line;
  line.SetCommandLine(text, name, "a.obj\nb.obj\n\n", kind);
  return line;
}

class InlineFile : public test::FileFixture {};

TEST_F(InlineFile, NamedFileIsReplacedAndNamedInTheCommand) {
  Scratch().Write("list.txt", "old content that is longer\n");
  CommandLine line = Inline("link @", "list.txt", InlineKind::Named);
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(line, failed));
  EXPECT_EQ(line.text, "link @list.txt");
  EXPECT_EQ(Scratch().Read("list.txt"), TextFile("a.obj\nb.obj\n\n"));
}

TEST_F(InlineFile, BlanksAroundTheNameStayInTheCommandOnly) {
  CommandLine line = Inline("type ", " out.txt", InlineKind::Named);
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(line, failed));
  EXPECT_EQ(line.text, "type  out.txt");
  EXPECT_TRUE(Exists("out.txt"));
}

TEST_F(InlineFile, NamedWithoutANameWritesNothing) {
  CommandLine line = Inline("type ", "", InlineKind::Named);
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(line, failed));
  EXPECT_EQ(line.text, "type ");
  CommandLine plain = Inline("echo", "x.txt", InlineKind::None);
  ASSERT_TRUE(WriteInlineFile(plain, failed));
  EXPECT_EQ(plain.text, "echo");
  EXPECT_FALSE(Exists("x.txt"));
}

TEST_F(InlineFile, TemporaryFilesGetNamesOfTheirOwn) {
  CommandLine first = Inline("link @", "", InlineKind::Temporary);
  CommandLine second = first;
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(first, failed));
  ASSERT_TRUE(WriteInlineFile(second, failed));
  const std::string firstName = first.text.substr(6);
  const std::string secondName = second.text.substr(6);
  EXPECT_NE(firstName, secondName);
  const std::string directory = platform::TemporaryDirectory() + platform::kPathSeparator;
  EXPECT_EQ(firstName.substr(0, directory.size() + 3), directory + "min");
  EXPECT_EQ(firstName.substr(firstName.size() - 4), ".inl");
  for (const std::string& name : {firstName, secondName}) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    ASSERT_NE(file, nullptr) << name;
    char buffer[64] = {};
    const size_t length = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, length), TextFile("a.obj\nb.obj\n\n"));
    platform::RemoveFile(name);
  }
}

TEST_F(InlineFile, UnwritableFileIsReported) {
  CommandLine line = Inline("link @", testing_support::NativePath("no\\such\\dir\\list.txt"), InlineKind::Named);
  std::string failed;
  EXPECT_FALSE(WriteInlineFile(line, failed));
  EXPECT_EQ(failed, testing_support::NativePath("no\\such\\dir\\list.txt"));
  EXPECT_EQ(line.text, "link @");
}

}  // namespace
}  // namespace engine
