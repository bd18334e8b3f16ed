#include "engine/inline_file_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "model_test_support.h"
#include "platform/scratch_files.h"
#include "support/text_helpers.h"

namespace engine {
namespace {

CommandLine Inline(const std::string& text, const std::string& name, InlineKind kind) {
  CommandLine line;
  line.SetCommandLine(text, name, "a.obj\nb.obj\n\n", kind);
  return line;
}

class InlineFile : public test::FileFixture {};

TEST_F(InlineFile, NamedFileIsReplacedAndNamedInTheCommand) {
  Scratch().Write("list.txt", "old content that is longer\n");
  const struct {
    const char* text;
    const char* name;
    InlineKind kind;
    const char* command;
    const char* file;  // the file written, or "" for none
  } cases[] = {
      {"link @", "list.txt", InlineKind::Named, "link @list.txt", "list.txt"},
      // Blanks around the name and its quotes stay in the command only.
      {"type ", " out.txt", InlineKind::Named, "type  out.txt", "out.txt"},
      {"type ", "\"my list.txt\"", InlineKind::Named, "type \"my list.txt\"", "my list.txt"},
      // Without a name, or without an inline file, nothing is written.
      {"type ", "", InlineKind::Named, "type ", ""},
      {"type ", "\"\"", InlineKind::Named, "type ", ""},
      {"echo", "x.txt", InlineKind::None, "echo", ""},
  };
  for (const auto& c : cases) {
    CommandLine line = Inline(c.text, c.name, c.kind);
    std::string failed;
    ASSERT_TRUE(WriteInlineFile(line, failed)) << c.name;
    EXPECT_EQ(line.text, c.command);
    if (*c.file) {
      EXPECT_EQ(Scratch().Read(c.file), testing_support::OnDisk("a.obj\nb.obj\n\n"));
    }
  }
  EXPECT_FALSE(Exists("x.txt"));
  EXPECT_FALSE(Exists("\"\""));
}

// Where they go and what they hold is held by the local build tests.
TEST_F(InlineFile, TemporaryFilesGetNamesOfTheirOwn) {
  CommandLine first = Inline("link @", "", InlineKind::Temporary);
  CommandLine second = first;
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(first, failed));
  ASSERT_TRUE(WriteInlineFile(second, failed));
  EXPECT_NE(first.text, second.text);
  for (const CommandLine* line : {&first, &second}) EXPECT_TRUE(platform::RemoveFile(line->text.substr(6)));
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
