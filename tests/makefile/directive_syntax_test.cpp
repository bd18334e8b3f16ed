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
      // Unknown words run to the first blank.
      {"if 1", DirectiveKind::kUnknown, 2},
      {"BOGUS", DirectiveKind::kUnknown, 5},
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

}  // namespace
}  // namespace makefile
