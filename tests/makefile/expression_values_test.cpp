// Numbers, texts and the arithmetic of every operator.
#include <gtest/gtest.h>

#include "expression_test_helpers.h"
#include "makefile/expression_value.h"

namespace makefile {
namespace {

using expression_test::Failure;
using expression_test::Eval;
using expression_test::Value;

std::optional<std::int32_t> Number(std::string_view text) {
  std::int32_t value = 12345;
  if (!ReadNumber(text, value)) return std::nullopt;
  return value;
}

TEST(ExpressionNumbers, ReadByTheCRulesWithBaseZero) {
  EXPECT_EQ(Number("42"), 42);
  EXPECT_EQ(Number("010"), 8);
  EXPECT_EQ(Number("0x1f"), 31);
  EXPECT_EQ(Number("0X1F"), 31);
  EXPECT_EQ(Number("0"), 0);
  EXPECT_EQ(Number(""), 0);
  EXPECT_EQ(Number(" \t5"), 5);
  EXPECT_EQ(Number("+5"), 5);
  EXPECT_EQ(Number("-5"), -5);
  EXPECT_EQ(Number("-0x10"), -16);
}

TEST(ExpressionNumbers, TextsThatDoNotReadCompletelyAreNoNumbers) {
  EXPECT_EQ(Number("5 "), std::nullopt);
  EXPECT_EQ(Number("08"), std::nullopt);
  EXPECT_EQ(Number("0x"), std::nullopt);
  EXPECT_EQ(Number("0xg"), std::nullopt);
  EXPECT_EQ(Number("1.0"), std::nullopt);
  EXPECT_EQ(Number(" "), std::nullopt);
  EXPECT_EQ(Number("-"), std::nullopt);
  EXPECT_EQ(Number("- 5"), std::nullopt);
  EXPECT_EQ(Number("++5"), std::nullopt);
  EXPECT_EQ(Number("abc"), std::nullopt);
}

TEST(ExpressionNumbers, ThirtyTwoBitsTakenAsSigned) {
  EXPECT_EQ(Number("2147483647"), INT32_MAX);
  EXPECT_EQ(Number("2147483648"), INT32_MIN);
  EXPECT_EQ(Number("4294967295"), -1);
  EXPECT_EQ(Number("0xFFFFFFFF"), -1);
  EXPECT_EQ(Number("-4294967295"), 1);
  // Values that do not fit give 4294967295 whatever their sign.
  EXPECT_EQ(Number("4294967296"), -1);
  EXPECT_EQ(Number("-4294967296"), -1);
  EXPECT_EQ(Number("99999999999999999999999999999"), -1);
  EXPECT_EQ(Number("0x123456789"), -1);
}

TEST(ExpressionValues, Cases) {
  const std::pair<std::string, expression_test::Outcome> cases[] = {
      // Equality compares numbers or texts.
      {"010 == 8", Value("1")},
      {"0x10 == 16", Value("1")},
      {"\" 5\" == 5", Value("1")},
      {"\"5 \" == 5", Value("0")},
      {"\"\" == 0", Value("1")},
      {"abc == 1", Value("0")},
      {"abc != ABC", Value("1")},
      {"1.0 == 1", Value("0")},
      {"0xFFFFFFFF == -1", Value("1")},
      // Logical operators count texts as zero.
      {"abc || 0", Value("0")},
      {"abc || 2", Value("1")},
      {"abc && 1", Value("0")},
      {"3 && -1", Value("1")},
      {"0 || 0", Value("0")},
      // Arithmetic.
      {"6 | 3", Value("7")},
      {"6 ^ 3", Value("5")},
      {"6 & 3", Value("2")},
      {"-1 < 0", Value("1")},
      {"0xFFFFFFFF < 0", Value("1")},  // signed comparison
      {"2 <= 2", Value("1")},
      {"~0", Value("-1")},
      {"!5", Value("0")},
      {"!\"\"", Value("1")},
      {"-\"0x10\"", Value("-16")},
      // Division truncates toward zero.
      {"-7 / 2", Value("-3")},
      {"-7 % 2", Value("-1")},
      {"7 % -2", Value("1")},
      {"7 / -2", Value("-3")},
      {"7 / 0", Failure(kEvalDivideByZero)},
      {"7 % 0", Failure(kEvalDivideByZero)},
      {"1 / (1 - 1)", Failure(kEvalDivideByZero)},
      {"1 / \"\"", Failure(kEvalDivideByZero)},  // the empty text is 0
      // Shifts use the low five bits.
      {"1 << 33", Value("2")},
      {"1 << 32", Value("1")},
      {"1 << -1", Value("-2147483648")},
      {"-8 >> 1", Value("-4")},
      {"-1 >> 31", Value("-1")},
      {"0x40000000 << 1", Value("-2147483648")},
      // Overflow wraps.
      {"2147483647 + 1", Value("-2147483648")},
      {"-2147483648 - 1", Value("2147483647")},
      {"0x7FFFFFFF * 2", Value("-2")},
      {"65536 * 65536", Value("0")},
      {"-(-2147483648)", Value("-2147483648")},
      {"4294967296 + 1", Value("0")},  // the too-large operand reads as -1
      // Most negative divided by minus one wraps.
      {"-2147483648 / -1", Value("-2147483648")},
      {"-2147483648 % -1", Value("0")},
      {"0x80000000 / 0xFFFFFFFF", Value("-2147483648")},
      {"5 / -1", Value("-5")},
      {"5 % -1", Value("0")},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Eval(text), outcome) << text;
}

TEST(ExpressionValues, OperatorsThatNeedNumbersRejectTexts) {
  for (const char* text : {"abc < 1", "1 > abc", "abc <= 1", "abc >= 1", "abc | 1", "abc ^ 1", "abc & 1",
                           "abc << 1", "abc >> 1", "abc + 1", "1 - abc", "abc * 1", "abc / 1", "abc % 1", "-abc",
                           "+abc", "~abc", "!abc", "08 + 1", "1.5 * 2"}) {
    EXPECT_EQ(Eval(text), Failure(kEvalNotNumber)) << text;
  }
}

// The one quotient that does not fit 32 bits wraps like every other
// overflow, and its remainder is the exact 0.
}  // namespace
}  // namespace makefile
