// Pieces of makefile syntax below the reader: escapes, directive keywords,
// macro definitions and source lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "makefile/directive_syntax.h"
#include "makefile/escapes.h"
#include "makefile/macro_table.h"
#include "makefile/source_file.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "support/bramle_process.h"

namespace makefile {
namespace {

constexpr size_t kNone = std::string_view::npos;

// 0x95 0x5C is a double-byte character in code page 932 (its trail byte
// equals '\'); in UTF-8 the two bytes are unrelated.
const bool kDoubleByte = platform::IsLeadByte(0x95);

TEST(RemoveEscapes, DropsTheCaretBeforeEachEscapableCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"^!^#^$^(^)^-^:^;^@^\\^^^{^}", "!#$()-:;@\\^{}"},
      {"copy a^;b c", "copy a;b c"},
      // Other carets and a last one stay.
      {"^x ^a", "^x ^a"},
      {"end^", "end^"},
      {"^", "^"},
      {"", ""},
      // A doubled caret gives one and does not escape further.
      {"^^", "^"},
      {"^^$", "^$"},
      {"^^^$", "^$"},
      {"^^^^", "^^"},
      // 0x95 0x5E: in code page 932 the '^' is the second byte of a character.
      {"\x95^#", kDoubleByte ? "\x95^#" : "\x95#"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(RemoveEscapes(text), expected) << text;
}

TEST(FindUnescaped, SkipsCharactersAfterACaret) {
  const struct {
    std::string text;
    char c;
    size_t start;
    size_t found;
  } cases[] = {
      {"a^$b$", '$', 0, 4},
      {"^$", '$', 0, kNone},
      {"$x", '$', 0, 0},
      {"abc", '$', 0, kNone},
      {"", '$', 0, kNone},
      {"", '$', 1, kNone},
      // The caret is looked for before the start too.
      {"^$", '$', 1, kNone},
      {"$$", '$', 1, 1},
      {"ab", '$', 2, kNone},
      {"ab", '$', 5, kNone},
      {"a$", '$', 1, 1},
      // Only the character right before counts; "^^#" has a caret before '#'.
      {"^^#", '#', 0, kNone},
      // Never a trail byte.
      {"\x95\\x\\", '\\', 0, kDoubleByte ? 3u : 1u},
      {"\x95^$", '$', 0, kDoubleByte ? 2u : kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(FindUnescaped(c.text, c.c, c.start), c.found) << c.text << " from " << c.start;
}

TEST(StartsCharacter, CountsLeadBytesBackwards) {
  EXPECT_TRUE(StartsCharacter("ab", 1));
  EXPECT_EQ(StartsCharacter("\x95\\", 1), !kDoubleByte);
  // Two double-byte characters in a row: the third byte starts one.
  EXPECT_TRUE(StartsCharacter("\x95\x95\x95\\", 2));
  EXPECT_EQ(StartsCharacter("\x95\x95\x95\\", 3), !kDoubleByte);
  EXPECT_EQ(IsEscaped("\x95^#", 2), !kDoubleByte);
}

struct KeywordCase {
  const char* text;
  DirectiveKind kind;
  size_t length;
};

// Keywords whose use the directive tables show are left to them.
TEST(MatchDirectiveKeyword, TakesTheFirstKeywordInOrder) {
  const KeywordCase cases[] = {
      {"IFNDEF $(A)", DirectiveKind::kIfndef, 6},
      {"IFDEF $(A)", DirectiveKind::kIfdef, 5},
      {"IF 1", DirectiveKind::kIf, 2},
      {"ELSE IFDEF $(A)", DirectiveKind::kElseIfdef, 10},
      {"ELSEIFDEF $(A)", DirectiveKind::kElseIfdef, 9},
      {"ELSE IFNDEF $(A)", DirectiveKind::kElseIfndef, 11},
      {"ELSEIFNDEF $(A)", DirectiveKind::kElseIfndef, 10},
      {"ELSE IF 1", DirectiveKind::kElseIf, 7},
      {"ELSEIF 1", DirectiveKind::kElseIf, 6},
      {"ELSE", DirectiveKind::kElse, 4},
      // Unknown words run to the first blank.
      {"UNDEF\tX", DirectiveKind::kUnknown, 7},
      {"", DirectiveKind::kUnknown, 0},
  };
  for (const KeywordCase& c : cases) {
    const DirectiveKeyword keyword = MatchDirectiveKeyword(c.text);
    EXPECT_EQ(keyword.kind, c.kind) << c.text;
    EXPECT_EQ(keyword.length, c.length) << c.text;
  }
}

TEST(ReferencedMacroName, NeedsTheReferenceForm) {
  EXPECT_EQ(ReferencedMacroName("$(CFG)"), "CFG");
  EXPECT_EQ(ReferencedMacroName("text $(A B) more"), "A B");
  EXPECT_EQ(ReferencedMacroName("^$(A) $(B)"), "B");
  EXPECT_EQ(ReferencedMacroName("$(A^)B)"), "A^)B");
  for (const char* text : {"CFG", "$CFG", "$(CFG", "$()", "$", ""}) EXPECT_FALSE(ReferencedMacroName(text)) << text;
}

TEST(ConditionHolds, ReadsALeadingDecimalNumber) {
  for (const char* text : {"1", " -3", "12abc", "007", "99999999999999999999"}) EXPECT_TRUE(ConditionHolds(text)) << text;
  // "0x10" is read as decimal: 0.
  for (const char* text : {"0", "0x10", "+0", "abc", "", "- 1"}) EXPECT_FALSE(ConditionHolds(text)) << text;
}

// Later definitions replace earlier ones; SetMacro only when asked.
TEST(MacroTable, DefinitionsReplaceAndSplitAtTheFirstEquals) {
  MacroTable table;
  table.DefineMacro("VAR", "1");
  table.DefineMacro("VAR", "2");
  EXPECT_EQ(table.LookupMacro("VAR"), "2");
  EXPECT_FALSE(table.LookupMacro("var"));
  EXPECT_EQ(table.SetMacro("A", "1", false), 1);
  EXPECT_EQ(table.SetMacro("A", "2", false), 0);
  EXPECT_EQ(table.LookupMacro("A"), "1");
  EXPECT_EQ(table.SetMacro("A", "3", true), 0);
  EXPECT_EQ(table.LookupMacro("A"), "3");
  // A definition line splits at its first '='.
  EXPECT_TRUE(table.ParseMacroDefinition("CFLAGS = -O2 -DX=1 "));
  EXPECT_EQ(table.LookupMacro("CFLAGS"), "-O2 -DX=1");
  EXPECT_TRUE(table.ParseMacroDefinition("EMPTY="));
  EXPECT_EQ(table.LookupMacro("EMPTY"), "");
  EXPECT_TRUE(table.ParseMacroDefinition("=nameless"));
  EXPECT_EQ(table.LookupMacro(""), "nameless");
  EXPECT_FALSE(table.ParseMacroDefinition("all: a b"));
  // Leading blanks belong to the name; any line with '=' is a definition.
  EXPECT_TRUE(table.ParseMacroDefinition("  CC\t= cl"));
  EXPECT_EQ(table.LookupMacro("  CC"), "cl");
  EXPECT_FALSE(table.LookupMacro("CC"));
  EXPECT_TRUE(table.ParseMacroDefinition("all: CFG=debug"));
  EXPECT_EQ(table.LookupMacro("all: CFG"), "debug");
}

TEST(ImportEnvironment, TakesLongValuesWholeAndReplacesCommandLineValues) {
  static std::string longEntry = std::string("BRAMLE_TEST_LONG=").append(5000, 'v');
  static std::string shortEntry = "BRAMLE_TEST_SHORT=env";
  putenv(longEntry.data());
  putenv(shortEntry.data());
  MacroTable table;
  table.DefineMacro("BRAMLE_TEST_SHORT", "command line");
  table.ImportEnvironment();
  EXPECT_EQ(table.LookupMacro("BRAMLE_TEST_LONG"), std::string(5000, 'v'));
  EXPECT_EQ(table.LookupMacro("BRAMLE_TEST_SHORT"), "env");
}

using testing_support::ScratchDirectory;

std::vector<std::string> ReadAll(SourceFile& file) {
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadLine(line)) lines.push_back(line);
  return lines;
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
    dir.Write("Makefile", content);
    auto file = SourceFile::Open((dir.path() / "Makefile").string());
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

}  // namespace
}  // namespace makefile
