// Precedence, associativity, tokens and the statuses of a failed parse.
#include <gtest/gtest.h>

#include "expression_test_helpers.h"
#include "makefile/expression_evaluator.h"
#include "platform/text.h"

namespace makefile {
namespace {

using expression_test::Failure;
using expression_test::Eval;
using expression_test::Value;

// Gives its two arguments as one number, ten times the first plus the second.
std::int32_t Pair(const std::vector<std::string>& arguments, void*) {
  return std::stoi(arguments[0]) * 10 + std::stoi(arguments[1]);
}

TEST(ExpressionPrecedence, EachLevelBindsTighterThanTheOneBelow) {
  ExpressionEvaluator evaluator;
  evaluator.RegisterFunction(Pair, "PAIR", 2, nullptr);
  // ',' below '||': the arguments are "0 || 1" and "2".
  EXPECT_EQ(Eval(evaluator, "PAIR(0 || 1, 2)"), Value("12"));
  // Each case would give another value if the two levels were swapped.
  EXPECT_EQ(Eval("1 || 0 && 0"), Value("1"));
  EXPECT_EQ(Eval("1 && 0 | 2"), Value("1"));
  EXPECT_EQ(Eval("1 | 3 ^ 3"), Value("1"));
  EXPECT_EQ(Eval("2 ^ 3 & 1"), Value("3"));
  EXPECT_EQ(Eval("2 & 2 == 2"), Value("0"));
  EXPECT_EQ(Eval("2 == 1 < 3"), Value("0"));
  EXPECT_EQ(Eval("1 < 1 << 1"), Value("1"));
  EXPECT_EQ(Eval("1 << 1 + 1"), Value("4"));
  EXPECT_EQ(Eval("1 + 2 * 3"), Value("7"));
  EXPECT_EQ(Eval("!0 * 5"), Value("5"));
  EXPECT_EQ(Eval("-2 + 3"), Value("1"));
  EXPECT_EQ(Eval("(1 + 2) * 3"), Value("9"));
}

TEST(ExpressionPrecedence, OperatorsOfOneLevelShareIt) {
  EXPECT_EQ(Eval("1 != 2 == 1"), Value("1"));
  EXPECT_EQ(Eval("1 < 2 >= 1"), Value("1"));
  EXPECT_EQ(Eval("3 > 2 <= 0"), Value("0"));
  EXPECT_EQ(Eval("1 << 4 >> 2"), Value("4"));
  EXPECT_EQ(Eval("10 - 4 + 2"), Value("8"));
  EXPECT_EQ(Eval("7 * 3 % 5 / 2"), Value("0"));
  EXPECT_EQ(Eval("7 % 5 * 3"), Value("6"));
}

TEST(ExpressionPrecedence, InfixLevelsAssociateToTheLeft) {
  EXPECT_EQ(Eval("8 - 2 - 1"), Value("5"));
  EXPECT_EQ(Eval("64 / 4 / 2"), Value("8"));
  EXPECT_EQ(Eval("2 << 1 << 1"), Value("8"));
  EXPECT_EQ(Eval("1 == 1 == 1"), Value("1"));
  EXPECT_EQ(Eval("2 == 2 == 2"), Value("0"));
}

TEST(ExpressionPrecedence, UnaryOperatorsNest) {
  EXPECT_EQ(Eval("- -3"), Value("3"));
  EXPECT_EQ(Eval("!!7"), Value("1"));
  EXPECT_EQ(Eval("~-1"), Value("0"));
  EXPECT_EQ(Eval("-~0"), Value("1"));
  EXPECT_EQ(Eval("+-+4"), Value("-4"));
}

TEST(ExpressionTokens, OperatorsNeedNoBlanks) {
  EXPECT_EQ(Eval("1+2*3"), Value("7"));
  EXPECT_EQ(Eval("1<<2"), Value("4"));
  EXPECT_EQ(Eval("1<=2"), Value("1"));
  EXPECT_EQ(Eval("2>=3"), Value("0"));
  EXPECT_EQ(Eval("1!=2"), Value("1"));
  EXPECT_EQ(Eval("3&&0||1"), Value("1"));
  EXPECT_EQ(Eval("a==a"), Value("1"));
}

TEST(ExpressionTokens, AnOperandKeepsItsTextUntilAnOperatorReadsIt) {
  EXPECT_EQ(Eval("0x10"), Value("0x10"));
  EXPECT_EQ(Eval("+0x10"), Value("16"));
  EXPECT_EQ(Eval("  hello  "), Value("hello"));
}

TEST(ExpressionTokens, PunctuationThatIsNoOperatorEndsTheText) {
  EXPECT_EQ(Eval("3 @ 4"), Value("3"));
  EXPECT_EQ(Eval("A = 1"), Value("A"));  // a single '=' is no operator
  EXPECT_EQ(Eval("a_b"), Value("a"));
  EXPECT_EQ(Eval("x$y == 1"), Value("x"));
  EXPECT_EQ(Eval("1 + 2 ; 3"), Value("3"));
  EXPECT_EQ(Eval("(3 @ 4)"), Failure(kEvalMissingCloseParen));
}

TEST(ExpressionTokens, WordsHoldDotsTabsAndHighBytes) {
  EXPECT_EQ(Eval("a.b.c == a.b.c"), Value("1"));
  EXPECT_EQ(Eval("1.5 + 1"), Failure(kEvalNotNumber));
  // Leading white space is skipped, but a tab after a word belongs to it:
  // "1\t" is no number, so the comparison is by text.
  EXPECT_EQ(Eval("\t1 == 1"), Value("1"));
  EXPECT_EQ(Eval("1\t== 1"), Value("0"));
  EXPECT_EQ(Eval("\xC3\xA9t\xC3\xA9 == \xC3\xA9t\xC3\xA9"), Value("1"));
}

TEST(ExpressionTokens, DoubleByteCharactersStayWholeInWordsAndLiterals) {
  // In code page 932 the second byte of this character is a backslash: it
  // must neither end a word nor escape the closing quote.
  const std::string table = platform::NarrowFromUtf8("表");
  EXPECT_EQ(Eval(table + " == " + table), Value("1"));
  EXPECT_EQ(Eval("\"" + table + "\""), Value(table));
  EXPECT_EQ(Eval("\"" + table + "\" == " + table), Value("1"));
}

TEST(ExpressionTokens, StringLiterals) {
  EXPECT_EQ(Eval("\"a b\""), Value("a b"));
  EXPECT_EQ(Eval("\"\""), Value(""));
  EXPECT_EQ(Eval("\"a\\\"b\""), Value("a\"b"));   // backslash-quote is a quote
  EXPECT_EQ(Eval("\"a\\b\\\\c\""), Value("a\\b\\\\c"));  // other backslashes stay
  EXPECT_EQ(Eval("\"C:\\tmp\\*.obj\""), Value("C:\\tmp\\*.obj"));
  EXPECT_EQ(Eval("\"1 + 2\" == \"1 + 2\""), Value("1"));
  EXPECT_EQ(Eval("\"abc\" == abc"), Value("1"));
  EXPECT_EQ(Eval("\"Debug\" == \"Debug\""), Value("1"));
  EXPECT_EQ(Eval("\"debug\" == \"Debug\""), Value("0"));
  EXPECT_EQ(Eval("\"x\"\"y\""), Failure(kTokenString));  // two literals in a row
}

TEST(ExpressionStatus, UnclosedStringLiteral) {
  EXPECT_EQ(Eval("\"abc"), Failure(kEvalUnclosedString));
  EXPECT_EQ(Eval("\""), Failure(kEvalUnclosedString));
  EXPECT_EQ(Eval("1 == \"abc"), Failure(kEvalUnclosedString));
  EXPECT_EQ(Eval("-\"abc"), Failure(kEvalUnclosedString));
  EXPECT_EQ(Eval("\"a\\\""), Failure(kEvalUnclosedString));     // the quote is escaped
  EXPECT_EQ(Eval("\"a\\\\\""), Failure(kEvalUnclosedString));   // so is this one
  EXPECT_EQ(Eval("\"\"\""), Failure(kEvalUnclosedString));
}

TEST(ExpressionStatus, EmptyAndBlankTexts) {
  EXPECT_EQ(Eval(""), Failure(kEvalEmptyText));
  EXPECT_EQ(Eval(std::string("\0 1", 3)), Failure(kEvalEmptyText));  // a NUL ends the text
  EXPECT_EQ(Eval(std::string("7\0 + 1", 6)), Value("7"));
  EXPECT_EQ(Eval("   "), Failure(kEvalNothingToEvaluate));
  EXPECT_EQ(Eval(" \t\r\n"), Failure(kEvalNothingToEvaluate));
  EXPECT_EQ(Eval("@"), Failure(kEvalNothingToEvaluate));
  EXPECT_EQ(Eval("()"), Failure(kEvalNothingToEvaluate));
}

TEST(ExpressionStatus, MissingCloseParen) {
  EXPECT_EQ(Eval("(1"), Failure(kEvalMissingCloseParen));
  EXPECT_EQ(Eval("((1)"), Failure(kEvalMissingCloseParen));
  EXPECT_EQ(Eval("(1 2)"), Failure(kEvalMissingCloseParen));
}

TEST(ExpressionStatus, OperandExpected) {
  EXPECT_EQ(Eval("* 2"), Failure(kEvalOperandExpected));
  EXPECT_EQ(Eval(")"), Failure(kEvalOperandExpected));
  EXPECT_EQ(Eval(", 1"), Failure(kEvalOperandExpected));
  EXPECT_EQ(Eval("1 + )"), Failure(kEvalOperandExpected));
  EXPECT_EQ(Eval("1 || && 2"), Failure(kEvalOperandExpected));
}

TEST(ExpressionStatus, TooFewOperands) {
  EXPECT_EQ(Eval("1 +"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval("-"), Failure(kEvalTooFewOperands));
  // The unary operand's own error is not examined: '*' is then read as the
  // infix operator, and the '+' finds nothing to take.
  EXPECT_EQ(Eval("+ * 2"), Failure(kEvalTooFewOperands));
}

TEST(ExpressionStatus, SeveralValuesLeft) { EXPECT_EQ(Eval("1, 2"), Failure(kEvalNotSingleValue)); }

TEST(ExpressionStatus, LeftOverTokenGivesItsCode) {
  EXPECT_EQ(Eval("1 2"), Failure(kTokenWord));
  EXPECT_EQ(Eval("1 \"x\""), Failure(kTokenString));
  EXPECT_EQ(Eval("1 )"), Failure(kTokenCloseParen));
  EXPECT_EQ(Eval("EXIST (x)"), Failure(kTokenOpenParen));
  EXPECT_EQ(Eval("1 !"), Failure(kTokenNot));
  EXPECT_EQ(Eval("1 ~2"), Failure(kTokenComplement));
  EXPECT_EQ(Eval("1 F(2)"), Failure(kTokenFunction));
}

TEST(ExpressionStatus, ReportedStatusDescribesALeftOverTokenAsAMissingOperator) {
  for (int token = kTokenComma; token <= kTokenEnd; ++token) EXPECT_EQ(ReportedEvalStatus(token), kEvalNotSingleValue);
  for (int status = kEvalNotNumber; status <= kEvalTooFewOperands; ++status) {
    EXPECT_EQ(ReportedEvalStatus(status), status);
  }
}

TEST(ExpressionStatus, AFailedEvaluationLeavesTheResultAlone) {
  ExpressionEvaluator evaluator;
  std::string result = "before";
  EXPECT_EQ(evaluator.Evaluate("1 / 0", result), kEvalDivideByZero);
  EXPECT_EQ(result, "before");
  EXPECT_EQ(evaluator.Evaluate("(", result), kEvalMissingCloseParen);
  EXPECT_EQ(result, "before");
  EXPECT_EQ(evaluator.Evaluate("6 * 7", result), kEvalSuccess);
  EXPECT_EQ(result, "42");
}

}  // namespace
}  // namespace makefile
