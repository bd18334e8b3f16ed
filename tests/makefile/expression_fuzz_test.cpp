// Random, mutated and extreme inputs: the evaluator must give a defined
// status for every one of them, without crashing, hanging or recursing
// without bound. Seeds and counts are fixed, so a failure repeats.
#include <gtest/gtest.h>

#include <random>

#include "expression_test_helpers.h"

namespace makefile {
namespace {

using expression_test::Failure;
using expression_test::Eval;
using expression_test::Value;

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

bool IsDefinedStatus(int status) {
  const bool leftOverToken = status >= kTokenNot && status <= kTokenFunction;
  const bool evaluationStatus = status >= kEvalSuccess && status <= kEvalTooFewOperands && status != kEvalInternalError;
  return leftOverToken || evaluationStatus;
}

// Pieces that random expressions are made of: every operator, operands,
// calls, quotes, escapes, blanks and bytes that end or break a word.
const std::string kPieces[] = {
    ",", "||", "&&", "|", "^", "&", "==", "!=", "<=", "<", ">=", ">", ">>", "<<", "+", "-", "*", "/", "%", "!",
    "~", "(", ")", "(", ")", "1", "0", "-1", "0x7FFFFFFF", "2147483648", "010", "abc", "a.b", "\"", "\"s\"",
    "\"\"", "\\\"", "\\", "Z(", "F(", "G(", "H(", "X(", " ", " ", "\t", "=", "@", "_", std::string(1, '\0'),
    "\x95\x5C", "\xE8\xA1\xA8", "\xFF", "\r\n"};

std::string RandomExpression(std::mt19937& random) {
  std::string text;
  for (size_t i = random() % 41; i > 0; --i) text += kPieces[random() % std::size(kPieces)];
  return text;
}

// Flips, inserts, deletes or cuts bytes of a valid expression.
std::string Mutate(std::string text, std::mt19937& random) {
  for (size_t i = 1 + random() % 4; i > 0; --i) {
    const size_t at = text.empty() ? 0 : random() % text.size();
    const char byte = static_cast<char>(random() % 256);
    switch (random() % 4) {
      case 0: if (!text.empty()) text[at] = byte; break;
      case 1: text.insert(at, 1, byte); break;
      case 2: if (!text.empty()) text.erase(at, 1); break;
      default: text.resize(at); break;
    }
  }
  return text;
}

// Random pieces, mutated valid expressions and random bytes. A fresh
// evaluator with the same functions agrees: nothing of one evaluation
// leaks into the next.
TEST(ExpressionFuzz, EveryInputGivesADefinedStatus) {
  const std::vector<std::string> valid = {
      "G(\"a\\\"b\", 1 + 2 * (3 - -4)) == 9 && !(F(x) < 0x10) || ~010 >> 1 << 2 % 5",
      "H(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20)",
      "CommandExec(\"cl /c \\\"a.c\\\"\",0,\"\",\"\")",
      "\"$(CFG)\" == \"Debug\" | 1 ^ 2 & 3 != 4 <= 5 >= 6",
  };
  ExpressionEvaluator shared;
  RegisterSamples(shared);
  for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
    std::mt19937 random(seed);
    for (int i = 0; i < 5000; ++i) {
      std::string bytes(random() % 65, '\0');
      for (char& c : bytes) c = static_cast<char>(random() % 256);
      for (const std::string& text : {RandomExpression(random), Mutate(valid[i % valid.size()], random), bytes}) {
        const auto outcome = Eval(shared, text);
        ASSERT_TRUE(IsDefinedStatus(outcome.status) || outcome.status == kEvalEmptyText)
            << "seed " << seed << " case " << i << " status " << outcome.status;
        ExpressionEvaluator fresh;
        RegisterSamples(fresh);
        ASSERT_EQ(Eval(fresh, text), outcome) << "seed " << seed << " case " << i;
      }
    }
  }
}

std::string Repeat(const std::string& piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
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
