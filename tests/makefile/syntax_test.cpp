// Pieces of makefile syntax below the reader: escapes, directive keywords,
// macro definitions, source lines and macro expansion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "makefile/directive_syntax.h"
#include "makefile/escapes.h"
#include "makefile/macro_expander.h"
#include "makefile/macro_table.h"
#include "makefile/source_file.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace makefile {
namespace {

constexpr size_t kNone = std::string_view::npos;

// 0x95 0x5C and 0x95 0x5E are double-byte characters in code page 932 (their
// trail bytes equal '\' and '^'); in UTF-8 the bytes are unrelated.
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
  // The text, the character, where the search starts and where it finds one.
  const std::tuple<std::string, char, size_t, size_t> cases[] = {
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
  for (const auto& [text, c, start, found] : cases)
    EXPECT_EQ(FindUnescaped(text, c, start), found) << text << " from " << start;
}

TEST(StartsCharacter, CountsLeadBytesBackwards) {
  EXPECT_TRUE(StartsCharacter("ab", 1));
  EXPECT_EQ(StartsCharacter("\x95\\", 1), !kDoubleByte);
  // Two double-byte characters in a row: the third byte starts one.
  EXPECT_TRUE(StartsCharacter("\x95\x95\x95\\", 2));
  EXPECT_EQ(StartsCharacter("\x95\x95\x95\\", 3), !kDoubleByte);
  EXPECT_EQ(IsEscaped("\x95^#", 2), !kDoubleByte);
}

// Keywords whose use the directive tables show are left to them.
TEST(MatchDirectiveKeyword, TakesTheFirstKeywordInOrder) {
  // The text, its keyword and the keyword's length.
  const std::tuple<const char*, DirectiveKind, size_t> cases[] = {
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
      // NMAKE's keywords, whole words in any letter case.
      {"UNDEF\tX", DirectiveKind::kUndef, 5},
      {"if(1)", DirectiveKind::kIf, 2},
      {"Else IfDef X", DirectiveKind::kElseIfdef, 10},
      {"cmdswitches +S", DirectiveKind::kCmdSwitches, 11},
      {"[del x]", DirectiveKind::kRunCommand, 0},
      // Unknown words run to the first blank.
      {"iffy\tX", DirectiveKind::kUnknown, 6},
      {"", DirectiveKind::kUnknown, 0},
  };
  for (const auto& [text, kind, length] : cases) {
    const DirectiveKeyword keyword = MatchDirectiveKeyword(text);
    EXPECT_EQ(keyword.kind, kind) << text;
    EXPECT_EQ(keyword.length, length) << text;
  }
}

TEST(DirectiveArguments, ReferencedNamesNeedTheReferenceFormConditionsAreDecimal) {
  EXPECT_EQ(ReferencedMacroName("$(CFG)"), "CFG");
  EXPECT_EQ(ReferencedMacroName("text $(A B) more"), "A B");
  EXPECT_EQ(ReferencedMacroName("^$(A) $(B)"), "B");
  EXPECT_EQ(ReferencedMacroName("$(A^)B)"), "A^)B");
  for (const char* text : {"CFG", "$CFG", "$(CFG", "$()", "$", ""}) EXPECT_FALSE(ReferencedMacroName(text)) << text;
  // A condition holds when it reads as a leading decimal number not 0.
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
  // A definition line splits at its first '='; leading blanks belong to the
  // name; any line with '=' is a definition.
  const std::tuple<std::string, std::string, std::string> lines[] = {
      {"CFLAGS = -O2 -DX=1 ", "CFLAGS", "-O2 -DX=1"},
      {"EMPTY=", "EMPTY", ""},
      {"=nameless", "", "nameless"},
      {"  CC\t= cl", "  CC", "cl"},
      {"all: CFG=debug", "all: CFG", "debug"},
  };
  for (const auto& [line, name, value] : lines) {
    EXPECT_TRUE(table.ParseMacroDefinition(line)) << line;
    EXPECT_EQ(table.LookupMacro(name), value) << line;
  }
  EXPECT_FALSE(table.ParseMacroDefinition("all: a b"));
  EXPECT_FALSE(table.LookupMacro("CC"));
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

TEST(SourceFile, SplitsAtLineFeedsDropsTheCarriageReturnAndKnowsItsPath) {
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
    std::vector<std::string> read;
    for (std::string line; file->ReadLine(line);) read.push_back(line);
    EXPECT_TRUE(read == lines) << content.substr(0, 20);
    EXPECT_EQ(file->lineNumber(), static_cast<int>(lines.size()));
  }
  // A file knows its full path, without dot components, and its name.
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

// Expands with a table and records the names asked for.
class Expansion {
 public:
  std::string Expand(std::string line) {
    status = ExpandMacroReferences(line, macros, [this](const std::string& name, std::string& value) {
      undefined.push_back(name);
      value = undefinedValue;
      return failUndefined ? 1 : 0;
    }, &offendingName);
    return line;
  }

  MacroTable macros;
  std::vector<std::string> undefined;
  std::string undefinedValue;
  bool failUndefined = false;
  ExpandStatus status = ExpandStatus::kDone;
  std::string offendingName;
};

TEST(ExpandMacros, Lines) {
  const struct {
    std::vector<std::pair<std::string, std::string>> defines;
    std::string line;
    std::string expanded;
    ExpandStatus status;
    std::string offending;
  } cases[] = {
      {{{"A", "x"}, {"CC", "cl"}}, "$(CC) /c $(A).c", "cl /c x.c", ExpandStatus::kDone, ""},
      {{}, "no references", "no references", ExpandStatus::kDone, ""},
      // Single-letter forms, double dollars and special macros stay.
      {{{"A", "v"}, {"X", "no"}}, "$X $$(A) a$", "$X $v a$", ExpandStatus::kDone, ""},
      {{{"A", "v"}}, "$", "$", ExpandStatus::kDone, ""},
      {{{"DEST", "out"}, {"@", "at"}}, "copy $@ $(DEST) $(@D) ${@F} $** $? $< $* $$@",
       "copy $@ out $(@D) ${@F} $** $? $< $* $$@", ExpandStatus::kDone, ""},
      // Without a modifier letter the bracketed form is an ordinary macro.
      {{{"@", "at"}}, "$(@)", "at", ExpandStatus::kDone, ""},
      // A caret protects a reference, also in a value.
      {{{"A", "v"}}, "^$(A) $(A)", "^$(A) v", ExpandStatus::kDone, ""},
      {{{"A", "\x95^"}, {"B", "b"}}, "$(A)$(B)", kDoubleByte ? "\x95^b" : "\x95^$(B)", ExpandStatus::kDone, ""},
      {{{"B", "b"}, {"A", "^$(B)"}}, "$(A)", "^$(B)", ExpandStatus::kDone, ""},
      // Unclosed and empty references end the expansion.
      {{{"A", "v"}}, "X = $(UNCLOSED", "X = UNCLOSED", ExpandStatus::kDone, ""},
      {{{"A", "v"}}, "Y = $() $(A)", "Y = ) $(A)", ExpandStatus::kDone, ""},
      {{{"A$(B", "v"}}, "$(A$(B))", "v)", ExpandStatus::kDone, ""},  // references do not nest
      // Values are scanned from their second character.
      {{{"INNER", "i"}, {"LATE", "x$(INNER)"}, {"EARLY", "$(INNER)x"}}, "$(LATE) $(EARLY) $(LATE)$(LATE)",
       "xi $(INNER)x xixi", ExpandStatus::kDone, ""},
      // An empty or undefined value does not hide the next reference.
      {{{"E", ""}, {"A", "v"}}, "$(E)$(A) $(UNDEFINED)$(A)", "v v", ExpandStatus::kDone, ""},
      {{{"A", "x$(A)"}}, "all: $(A)", "all: $(A)", ExpandStatus::kSelfReference, "A"},
      {{{"A", "a $(B)"}, {"B", "b $(C)"}, {"C", "c $(A)"}}, "$(B)", "$(B)", ExpandStatus::kSelfReference, "B"},
      // Repeating a name outside its own value is no cycle.
      {{{"A", "x$(B)"}, {"B", "y"}, {"C", "$(A) $(A)"}}, "$(A) $(A) -$(C)", "xy xy -$(A) xy", ExpandStatus::kDone, ""},
      // A reference running past the end of a value ends that value: the
      // inner reference's name comes from the line.
      {{{"A", "x$("}}, "$(A)A)", "xx", ExpandStatus::kDone, ""},
  };
  for (const auto& c : cases) {
    Expansion e;
    for (const auto& [name, value] : c.defines) e.macros.DefineMacro(name, value);
    EXPECT_EQ(e.Expand(c.line), c.expanded) << c.line;
    EXPECT_EQ(e.status, c.status) << c.line;
    if (c.status != ExpandStatus::kDone) {
      EXPECT_EQ(e.offendingName, c.offending) << c.line;
    }
    EXPECT_TRUE(e.undefined.empty() || c.line.find("UNDEFINED") != std::string::npos) << c.line;
  }
}

// P1..P40 and Q1..Q40, each value "<$(next)>", the last "<>"; rows change
// single values. Past a depth of 16 the open names are also kept in a set,
// which must follow every step in and out: a stale name is a false cycle,
// a missing one lets a cycle through once, which the 40 MB value then
// turns into too long a line.
TEST(ExpandMacros, DeepNestingFindsEveryCycleAndNoOther) {
  const std::string big = std::string(40 << 20, 'x');
  const std::string nested = std::string(40, '<') + std::string(40, '>');
  const struct {
    std::vector<std::pair<std::string, std::string>> changes;
    std::string line;
    ExpandStatus status;
    std::string offending;
    std::string expanded = "";  // checked when given
  } cases[] = {
      {{}, "$(P1) $(P1) $(P21)", ExpandStatus::kDone, "", nested + " " + nested + " " + nested.substr(20, 40)},
      {{{"P40", "<$(P1)>"}}, "x $(P5)", ExpandStatus::kSelfReference, "P5"},
      // A cycle at depth 17, after a step to 20 and back.
      {{{"P3", "<$(P4)" + big}, {"P17", "<$(Q1)$(P3)>"}, {"Q3", "<>"}}, "$(P1)", ExpandStatus::kSelfReference, "P3"},
      // Cycles at depths 17 and 16.
      {{{"P16", "<$(P17)" + big}, {"P17", "<$(P16)>"}}, "$(P1)", ExpandStatus::kSelfReference, "P16"},
      {{{"P15", "<$(P16)" + big}, {"P16", "<$(P15)>"}}, "$(P1)", ExpandStatus::kSelfReference, "P15"},
      // Y1 (with Y2 at 17) and X1 were open at depth 16 and are no longer
      // when Q5 names them.
      {{{"P15", "<$(Y1)$(X1)$(Q1)>"}, {"X1", "<>"}, {"Y1", "<$(Y2)>"}, {"Y2", "<>"}, {"Q5", "<$(X1)$(Y1)>"}}, "$(P1)",
       ExpandStatus::kDone, ""},
  };
  for (const auto& c : cases) {
    Expansion e;
    for (const std::string prefix : {"P", "Q"}) {
      for (int i = 1; i <= 40; ++i) {
        e.macros.DefineMacro(prefix + std::to_string(i), i < 40 ? "<$(" + prefix + std::to_string(i + 1) + ")>" : "<>");
      }
    }
    for (const auto& [name, value] : c.changes) e.macros.DefineMacro(name, value);
    const std::string expanded = e.Expand(c.line);
    EXPECT_EQ(e.status, c.status) << c.line;
    EXPECT_EQ(e.offendingName, c.offending) << c.line;
    if (!c.expanded.empty()) {
      EXPECT_EQ(expanded, c.expanded);
    }
  }
}

// Values that double at every level stop at a size limit; a long line of
// references is no such growth.
TEST(ExpandMacros, ExponentialGrowthStops) {
  Expansion e;
  e.macros.DefineMacro("M0", std::string(1 << 20, 'z'));
  for (int i = 1; i <= 8; ++i) {
    const std::string inner = "M" + std::to_string(i - 1);
    e.macros.DefineMacro("M" + std::to_string(i), "x$(" + inner + ")$(" + inner + ")");
  }
  e.Expand("$(M8)");
  EXPECT_EQ(e.status, ExpandStatus::kTooLong);
  e.macros.DefineMacro("O", "obj");
  EXPECT_EQ(e.Expand(testing_support::Repeat("$(O) ", 100000)), testing_support::Repeat("obj ", 100000));
  EXPECT_EQ(e.status, ExpandStatus::kDone);
}

TEST(ExpandMacros, UndefinedNamesAreAskedForOnceAndDefinedUnlessTheHandlerFails) {
  Expansion e;
  EXPECT_EQ(e.Expand("B = $(C)$(C) $(D)"), "B =  ");
  EXPECT_EQ(e.undefined, (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(e.macros.LookupMacro("C"), "");
  e.failUndefined = true;
  EXPECT_EQ(e.Expand("a $(MISSING) b"), "a $(MISSING) b");
  EXPECT_EQ(e.status, ExpandStatus::kUndefinedFailed);
  EXPECT_EQ(e.offendingName, "MISSING");
  EXPECT_FALSE(e.macros.LookupMacro("MISSING"));
}

}  // namespace
}  // namespace makefile
