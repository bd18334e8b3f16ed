// Precedence, associativity, tokens, the statuses of a failed parse, and
// the numbers, texts and arithmetic of every operator.
#include <gtest/gtest.h>


#include "expression_test_helpers.h"
#include "makefile/expression_evaluator.h"
#include "makefile/expression_value.h"
#include "platform/text.h"
#include "support/text_helpers.h"

namespace makefile {
namespace {

using expression_test::Eval;
using expression_test::Failure;
using expression_test::Value;
using testing_support::Repeat;

// Gives its two arguments as one number, ten times the first plus the second.
std::int32_t Pair(const std::vector<std::string>& arguments, void*) {
  return std::stoi(arguments[0]) * 10 + std::stoi(arguments[1]);
}

TEST(ExpressionNumbers, ReadByTheCRulesWithBaseZeroAsThirtyTwoSignedBits) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      {"42", 42},
      {"010", 8},
      {"0X1F", 31},
      {"", 0},
      {" \t+5", 5},
      {"-0x10", -16},
      // Texts that do not read completely are no numbers.
      {"5 ", std::nullopt},
      {"08", std::nullopt},
      {"0x", std::nullopt},
      {" ", std::nullopt},
      {"-", std::nullopt},
      {"++5", std::nullopt},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MIN},
      {"0xFFFFFFFF", -1},
      {"-4294967295", 1},
      // Values that do not fit give 4294967295 whatever their sign.
      {"4294967296", -1},
      {"-4294967296", -1},
      {"99999999999999999999999999999", -1},
  };
  for (const auto& [text, number] : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(ReadNumber(text, value) ? std::optional<std::int32_t>(value) : std::nullopt, number) << text;
  }
}

TEST(ExpressionEvaluation, PrecedenceTokensStatusesAndValues) {
  ExpressionEvaluator evaluator;
  evaluator.RegisterFunction(Pair, "PAIR", 2, nullptr);
  // In code page 932 the second byte of this character is a backslash: it
  // must neither end a word nor escape the closing quote.
  const std::string table = platform::NarrowFromUtf8("表");
  const std::pair<std::string, expression_test::Outcome> cases[] = {
      // Each level binds tighter than the one below: every case would give
      // another value if the two levels were swapped.
      {"PAIR(0 || 1, 2)", Value("12")},  // ',' below '||'
      {"1 || 0 && 0", Value("1")},
      {"1 && 0 | 2", Value("1")},
      {"1 | 3 ^ 3", Value("1")},
      {"2 ^ 3 & 1", Value("3")},
      {"2 & 2 == 2", Value("0")},
      {"2 == 1 < 3", Value("0")},
      {"1 < 1 << 1", Value("1")},
      {"1 << 1 + 1", Value("4")},
      {"1 + 2 * 3", Value("7")},
      {"!0 * 5", Value("5")},
      {"-2 + 3", Value("1")},
      {"(1 + 2) * 3", Value("9")},
      // Operators of one level share it.
      {"1 == 2 != 0", Value("0")},
      {"2 != 1 == 0", Value("0")},
      {"1 < 2 >= 1", Value("1")},
      {"3 > 2 <= 0", Value("0")},
      {"1 << 4 >> 2", Value("4")},
      {"10 - 4 + 2", Value("8")},
      {"7 * 3 % 5 / 2", Value("0")},
      {"7 % 5 * 3", Value("6")},
      // Infix levels associate to the left.
      {"8 - 2 - 1", Value("5")},
      {"64 / 4 / 2", Value("8")},
      // Unary operators nest.
      {"- -3", Value("3")},
      {"!!7", Value("1")},
      {"~-1", Value("0")},
      {"+-+4", Value("-4")},
      // Tokens.
      // Operators need no blanks.
      {"1+2*3", Value("7")},
      {"8/2-1", Value("3")},
      {"1!=2", Value("1")},
      {"3&&0||1", Value("1")},
      {"a==a", Value("1")},
      // An operand keeps its text until an operator reads it.
      {"0x10", Value("0x10")},
      {"+0x10", Value("16")},
      {"  hello  ", Value("hello")},
      // Punctuation that is no operator ends the text.
      {"3 @ 4", Value("3")},
      {"A = 1", Value("A")},  // a single '=' is no operator
      {"a_b", Value("a")},
      {"C:\\tmp", Value("C")},  // a path needs the quotes
      {"a\\b", Value("a")},
      {"1 + 2 ; 3", Value("3")},
      {"(3 @ 4)", Failure(kEvalMissingCloseParen)},
      // Words hold dots tabs and high bytes.
      {"a.b.c == a.b.c", Value("1")},
      {"1.5 + 1", Failure(kEvalNotNumber)},
      // Leading white space is skipped, but a tab after a word belongs to it:
      // "1\t" is no number, so the comparison is by text.
      {"\t1 == 1", Value("1")},
      {"1\t== 1", Value("0")},
      {"\xC3\xA9t\xC3\xA9 == \xC3\xA9t\xC3\xA9", Value("1")},
      {table + " == " + table, Value("1")},
      {"\"" + table + "\" == " + table, Value("1")},
      // String literals.
      {"\"a b\"", Value("a b")},
      {"\"\"", Value("")},
      {"\"" + table + "\"", Value(table)},
      {"\"a\\\"b\"", Value("a\"b")},          // backslash-quote is a quote
      {"\"a\\b\\\\c\"", Value("a\\b\\\\c")},  // other backslashes stay
      {"\"abc\" == abc", Value("1")},
      {"\"x\"\"y\"", Failure(kTokenString)},  // two literals in a row
      // Statuses.
      // Unclosed string literal.
      {"\"abc", Failure(kEvalUnclosedString)},
      {"-\"abc", Failure(kEvalUnclosedString)},
      {"\"a\\\"", Failure(kEvalUnclosedString)},  // the quote is escaped
      {"\"\"\"", Failure(kEvalUnclosedString)},
      // Empty and blank texts.
      {"", Failure(kEvalEmptyText)},
      {std::string("\0 1", 3), Failure(kEvalEmptyText)},  // a NUL ends the text
      {std::string("7\0 + 1", 6), Value("7")},
      {"   ", Failure(kEvalNothingToEvaluate)},
      {" \t\r\n", Failure(kEvalNothingToEvaluate)},
      {"@", Failure(kEvalNothingToEvaluate)},
      {"()", Failure(kEvalNothingToEvaluate)},
      // Missing close paren.
      {"(1", Failure(kEvalMissingCloseParen)},
      {"((1)", Failure(kEvalMissingCloseParen)},
      {"(1 2)", Failure(kEvalMissingCloseParen)},
      // Operand expected.
      {"* 2", Failure(kEvalOperandExpected)},
      {")", Failure(kEvalOperandExpected)},
      {"1 + )", Failure(kEvalOperandExpected)},
      // Too few operands.
      {"1 +", Failure(kEvalTooFewOperands)},
      {"-", Failure(kEvalTooFewOperands)},
      // The unary operand's own error is not examined: '*' is then read as the
      // infix operator, and the '+' finds nothing to take.
      {"+ * 2", Failure(kEvalTooFewOperands)},
      // Several values left.
      {"1, 2", Failure(kEvalNotSingleValue)},
      {"(1, 2)", Failure(kEvalNotSingleValue)},  // a group holds the lowest level too
      // Left over token gives its code.
      {"1 2", Failure(kTokenWord)},
      {"1 \"x\"", Failure(kTokenString)},
      {"1 )", Failure(kTokenCloseParen)},
      {"EXIST (x)", Failure(kTokenOpenParen)},
      {"1 !", Failure(kTokenNot)},
      {"1 ~2", Failure(kTokenComplement)},
      {"1 F(2)", Failure(kTokenFunction)},
      // Values.
      // Equality compares numbers or texts.
      {"010 == 8", Value("1")},
      {"\" 5\" == 5", Value("1")},
      {"\"5 \" == 5", Value("0")},
      {"\"\" == 0", Value("1")},
      {"abc == 1", Value("0")},
      {"abc != ABC", Value("1")},
      {"0xFFFFFFFF == -1", Value("1")},
      // Logical operators count texts as zero.
      {"abc || 0", Value("0")},
      {"abc || 2", Value("1")},
      {"abc && 1", Value("0")},
      {"3 && -1", Value("1")},
      // Arithmetic.
      {"6 | 3", Value("7")},
      {"6 ^ 3", Value("5")},
      {"6 & 3", Value("2")},
      {"-1 < 0", Value("1")},
      {"0xFFFFFFFF < 0", Value("1")},  // signed comparison
      {"2 <= 2", Value("1")},
      {"~0", Value("-1")},
      {"!\"\"", Value("1")},
      {"-\"0x10\"", Value("-16")},
      // Division truncates toward zero.
      {"-7 / 2", Value("-3")},
      {"-7 % 2", Value("-1")},
      {"7 % -2", Value("1")},
      {"7 / -2", Value("-3")},
      {"7 / 0", Failure(kEvalDivideByZero)},
      {"7 % 0", Failure(kEvalDivideByZero)},
      {"1 / \"\"", Failure(kEvalDivideByZero)},  // the empty text is 0
      // Shifts use the low five bits.
      {"1 << 33", Value("2")},
      {"1 << -1", Value("-2147483648")},
      {"-8 >> 1", Value("-4")},
      {"-1 >> 31", Value("-1")},
      // Overflow wraps.
      {"2147483647 + 1", Value("-2147483648")},
      {"-2147483648 - 1", Value("2147483647")},
      {"0x7FFFFFFF * 2", Value("-2")},
      {"-(-2147483648)", Value("-2147483648")},
      {"4294967296 + 1", Value("0")},  // the too-large operand reads as -1
      // Most negative divided by minus one wraps.
      {"-2147483648 / -1", Value("-2147483648")},
      {"-2147483648 % -1", Value("0")},
      {"5 / -1", Value("-5")},
      {"5 % -1", Value("0")},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Eval(evaluator, text), outcome) << text;
}

TEST(ExpressionValues, OperatorsThatNeedNumbersRejectTexts) {
  for (const char* text : {"abc < 1", "1 > abc", "abc <= 1", "abc >= 1", "abc | 1", "abc ^ 1", "abc & 1",
                           "abc << 1", "abc >> 1", "abc + 1", "1 - abc", "abc * 1", "abc / 1", "abc % 1", "-abc",
                           "+abc", "~abc", "!abc", "08 + 1", "1.5 * 2"}) {
    EXPECT_EQ(Eval(text), Failure(kEvalNotNumber)) << text;
  }
}

// Extreme inputs: the evaluator must give a defined status for every one of
// them, without hanging or recursing without bound (random and mutated
// inputs are bench/fuzz_expression's work).
std::int32_t Sum(const std::vector<std::string>& arguments, void*) {
  std::int32_t sum = 0;
  for (const std::string& argument : arguments) sum += static_cast<std::int32_t>(argument.size());
  return sum;
}

void RegisterSamples(ExpressionEvaluator& evaluator) {
  evaluator.RegisterFunction(Sum, "Z", 0, nullptr);
  evaluator.RegisterFunction(Sum, "F", 1, nullptr);
  evaluator.RegisterFunction(Sum, "G", 2, nullptr);
  evaluator.RegisterFunction(Sum, "H", kMaxFunctionArguments, nullptr);
}

constexpr std::size_t kDeep = 100000;

TEST(ExpressionFuzz, DeepNestingNeedsNoDeepRecursion) {
  EXPECT_EQ(Eval(Repeat("(", kDeep)), Failure(kEvalMissingCloseParen));
  EXPECT_EQ(Eval(Repeat("(", kDeep) + "7" + Repeat(")", kDeep)), Value("7"));
  EXPECT_EQ(Eval(Repeat("(", kDeep) + "7" + Repeat(")", kDeep - 1)), Failure(kEvalMissingCloseParen));
  EXPECT_EQ(Eval(Repeat("-", kDeep) + "7"), Value("7"));
  EXPECT_EQ(Eval(Repeat("!", kDeep + 1) + "0"), Value("1"));
  EXPECT_EQ(Eval(Repeat("~(", kDeep) + "0" + Repeat(")", kDeep)), Value("0"));
  EXPECT_EQ(Eval(Repeat(")", kDeep)), Failure(kEvalOperandExpected));

  ExpressionEvaluator evaluator;
  RegisterSamples(evaluator);
  EXPECT_EQ(Eval(evaluator, Repeat("F(", kDeep) + "abc" + Repeat(")", kDeep)), Value("1"));
  EXPECT_EQ(Eval(evaluator, Repeat("F(", kDeep)), Failure(kEvalMissingCloseParen));
}

TEST(ExpressionFuzz, LongInputs) {
  const std::string longWord(1 << 20, 'w');
  EXPECT_EQ(Eval(longWord + " == " + longWord), Value("1"));
  EXPECT_EQ(Eval("\"" + longWord + "\""), Value(longWord));
  EXPECT_EQ(Eval("\"" + longWord), Failure(kEvalUnclosedString));
  EXPECT_EQ(Eval(Repeat("1+", 200000) + "1"), Value("200001"));
  EXPECT_EQ(Eval(Repeat("1,", 200000) + "1"), Failure(kEvalNotSingleValue));
  EXPECT_EQ(Eval(Repeat(" ", 1 << 20)), Failure(kEvalNothingToEvaluate));
  // A long token after deep nesting travels back through every level; it
  // is scanned once, not once per level.
  EXPECT_EQ(Eval(Repeat("(", kDeep) + "1 " + longWord), Failure(kEvalMissingCloseParen));
  // Inside a group the unclosed literal shows as the missing ')'.
  EXPECT_EQ(Eval(Repeat("(", kDeep) + "\"" + longWord), Failure(kEvalMissingCloseParen));
}

}  // namespace
}  // namespace makefile
