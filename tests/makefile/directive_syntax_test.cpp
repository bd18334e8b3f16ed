#include "makefile/directive_syntax.h"

#include <gtest/gtest.h>

namespace makefile {
namespace {

struct KeywordCase {
  const char* text;
  DirectiveKind kind;
  size_t length;
};

TEST(MatchDirectiveKeyword, TakesTheFirstKeywordInOrder) {
  const KeywordCase cases[] = {
      {"IFNDEF $(A)", DirectiveKind::kIfndef, 6},
      {"IFDEF $(A)", DirectiveKind::kIfdef, 5},
      {"IF 1", DirectiveKind::kIf, 2},
      {"IFFY", DirectiveKind::kIf, 2},  // no blank needed after a keyword
      {"ELSE IFDEF $(A)", DirectiveKind::kElseIfdef, 10},
      {"ELSEIFDEF $(A)", DirectiveKind::kElseIfdef, 9},
      {"ELSE IFNDEF $(A)", DirectiveKind::kElseIfndef, 11},
      {"ELSEIFNDEF $(A)", DirectiveKind::kElseIfndef, 10},
      {"ELSE IF 1", DirectiveKind::kElseIf, 7},
      {"ELSEIF 1", DirectiveKind::kElseIf, 6},
      {"ELSE  IF 1", DirectiveKind::kElse, 4},  // two blanks: a plain ELSE
      {"ELSE", DirectiveKind::kElse, 4},
      {"ENDIF", DirectiveKind::kEndif, 5},
      {"INCLUDE \"a\"", DirectiveKind::kInclude, 7},
      {"MESSAGE hi", DirectiveKind::kMessage, 7},
      {"ERROR no", DirectiveKind::kError, 5},
  };
  for (const KeywordCase& c : cases) {
    const DirectiveKeyword keyword = MatchDirectiveKeyword(c.text);
    EXPECT_EQ(keyword.kind, c.kind) << c.text;
    EXPECT_EQ(keyword.length, c.length) << c.text;
  }
}

TEST(MatchDirectiveKeyword, UnknownWordsRunToTheFirstBlank) {
  EXPECT_EQ(MatchDirectiveKeyword("if 1").kind, DirectiveKind::kUnknown);
  EXPECT_EQ(MatchDirectiveKeyword("if 1").length, 2u);
  EXPECT_EQ(MatchDirectiveKeyword("BOGUS").length, 5u);
  EXPECT_EQ(MatchDirectiveKeyword("UNDEF\tX").length, 7u);
  EXPECT_EQ(MatchDirectiveKeyword("").kind, DirectiveKind::kUnknown);
}

TEST(ReferencedMacroName, NeedsTheReferenceForm) {
  EXPECT_EQ(ReferencedMacroName("$(CFG)"), "CFG");
  EXPECT_EQ(ReferencedMacroName("text $(A B) more"), "A B");
  EXPECT_EQ(ReferencedMacroName("^$(A) $(B)"), "B");
  EXPECT_EQ(ReferencedMacroName("$(A^)B)"), "A^)B");
  EXPECT_FALSE(ReferencedMacroName("CFG"));
  EXPECT_FALSE(ReferencedMacroName("$CFG"));
  EXPECT_FALSE(ReferencedMacroName("$(CFG"));
  EXPECT_FALSE(ReferencedMacroName("$()"));
  EXPECT_FALSE(ReferencedMacroName("$"));
  EXPECT_FALSE(ReferencedMacroName(""));
}

TEST(ConditionHolds, ReadsALeadingDecimalNumber) {
  EXPECT_TRUE(ConditionHolds("1"));
  EXPECT_TRUE(ConditionHolds(" -3"));
  EXPECT_TRUE(ConditionHolds("12abc"));
  EXPECT_TRUE(ConditionHolds("007"));
  EXPECT_TRUE(ConditionHolds("99999999999999999999"));
  EXPECT_FALSE(ConditionHolds("0"));
  EXPECT_FALSE(ConditionHolds("0x10"));  // read as decimal: 0
  EXPECT_FALSE(ConditionHolds("+0"));
  EXPECT_FALSE(ConditionHolds("abc"));
  EXPECT_FALSE(ConditionHolds(""));
  EXPECT_FALSE(ConditionHolds("- 1"));
}

}  // namespace
}  // namespace makefile
