// What the engine writes: the model report and inline files.
#include "engine/model_report.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <tuple>

#include "engine/inline_file_writer.h"
#include "model_test_support.h"
#include "platform/scratch_files.h"
#include "support/text_helpers.h"

namespace engine {
namespace {

using test::Commands;
using test::Line;

// The three sections around their contents; each '#' in the rules and
// targets stands for the line that frames one entry.
std::string Report(const std::string& macros, const std::string& rules, const std::string& targets) {
  auto frame = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '#' ? std::string("|+---------------------------------------\n") : std::string(1, c);
    return out + "+---------------------------------------\n\n";
  };
  return "+---------View Macro Defined------------\n" + frame(macros) + "+---------View Suffix Rule--------------\n" +
         frame(rules) + "+---------View Depend-------------------\n" + frame(targets);
}

TEST(ModelReport, SectionsEntriesAndSharedTargets) {
  MacroEntries macros;
  RuleTable rules = test::DefaultRules();
  TargetModel model;
  Line(model, "all", "", {"echo hi"});
  EXPECT_EQ(ModelReport(macros, RuleTable(), model),
            Report("", "", "#|| Target file: all\n|| Depend file:\n|| Commadns:\n||  echo hi\n#"));

  macros["CC"] = "cl";
  rules.AddInferenceRule(".c", "src", ".obj", "", Commands({"$(CC) $<", "@echo done"}));
  TargetModel shared;
  Line(shared, "all", "a.exe x.obj");
  Line(shared, "a.exe", "x.obj", {"link a"});
  shared.ApplyInferenceRules(rules);
  const std::string source = testing_support::NativePath("src\\x.c");
  // A shared target is listed once, where the walk first meets it.
  EXPECT_EQ(ModelReport(macros, rules, shared),
            Report("| CC = cl\n", "#|| Source: {src}.c\n|| Dest: {}.obj\n|| Command:\n||  $(CC) $<\n||  echo done\n#",
                   "#|| Target file: all\n|| Depend file:\n||  a.exe\n||  x.obj\n|| Commadns:\n#"
                   "#|| Target file: a.exe\n|| Depend file:\n||  x.obj\n|| Commadns:\n||  link a\n#"
                   "#|| Target file: x.obj\n|| Depend file:\n||  " + source +
                       "\n|| Commadns:\n||  $(CC) $<\n||  echo done\n#"
                   "#|| Target file: " + source + "\n|| Depend file:\n|| Commadns:\n#"));
}

TEST(FormatFileTime, FourDigitYearAndTwoDigitFields) {
  std::tm local{.tm_min = 5, .tm_hour = 9, .tm_mday = 1, .tm_mon = 6, .tm_year = 2003 - 1900, .tm_isdst = -1};
  EXPECT_EQ(FormatFileTime(static_cast<std::int64_t>(std::mktime(&local))), "2003/07/01 09:05:00");
}

CommandLine Inline(const std::string& text, const std::string& name, InlineKind kind) {
  CommandLine line;
  line.SetCommandLine(text, name, "a.obj\nb.obj\n\n", kind);
  return line;
}

class InlineFile : public test::FileFixture {};

TEST_F(InlineFile, NamedFileIsReplacedAndNamedInTheCommand) {
  Scratch().Write("list.txt", "old content that is longer\n");
  // The command text, the inline file's name and kind, the command made, and
  // the file written ("" for none). Quotes around a name are held by the
  // local build tests.
  const std::tuple<const char*, const char*, InlineKind, const char*, const char*> cases[] = {
      {"link @", "list.txt", InlineKind::Named, "link @list.txt", "list.txt"},
      // Blanks around the name stay in the command only.
      {"type ", " out.txt", InlineKind::Named, "type  out.txt", "out.txt"},
      // Without a name, or without an inline file, nothing is written.
      {"type ", "", InlineKind::Named, "type ", ""},
      {"type ", "\"\"", InlineKind::Named, "type ", ""},
      {"echo", "x.txt", InlineKind::None, "echo", ""},
  };
  for (const auto& [text, name, kind, command, file] : cases) {
    CommandLine line = Inline(text, name, kind);
    std::string failed;
    ASSERT_TRUE(WriteInlineFile(line, failed)) << name;
    EXPECT_EQ(line.text, command);
    if (*file) {
      EXPECT_EQ(Scratch().Read(file), testing_support::OnDisk("a.obj\nb.obj\n\n"));
    }
  }
  EXPECT_FALSE(Exists("x.txt"));
  EXPECT_FALSE(Exists("\"\""));
}

// Where they go and what they hold, and an unwritable file, are held by the
// local build tests.
TEST_F(InlineFile, TemporaryFilesGetNamesOfTheirOwn) {
  CommandLine first = Inline("link @", "", InlineKind::Temporary);
  CommandLine second = first;
  std::string failed;
  ASSERT_TRUE(WriteInlineFile(first, failed));
  ASSERT_TRUE(WriteInlineFile(second, failed));
  EXPECT_NE(first.text, second.text);
  for (const CommandLine* line : {&first, &second}) EXPECT_TRUE(platform::RemoveFile(line->text.substr(6)));
}

}  // namespace
}  // namespace engine
