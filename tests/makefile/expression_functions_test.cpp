// Registered functions: argument counts, argument texts and results, and
// the message lines of the network protocol, which are calls.
#include <gtest/gtest.h>

#include <stdexcept>

#include "expression_test_helpers.h"

namespace makefile {
namespace {

using expression_test::Failure;
using expression_test::Eval;
using expression_test::Value;

// Records each call's arguments; the value is the number of arguments
// unless `value` is set.
struct Recorder {
  std::vector<std::vector<std::string>> calls;
  std::optional<std::int32_t> value;

  static std::int32_t Callback(const std::vector<std::string>& arguments, void* userData) {
    auto* recorder = static_cast<Recorder*>(userData);
    recorder->calls.push_back(arguments);
    return recorder->value.value_or(static_cast<std::int32_t>(arguments.size()));
  }
};

std::string CallText(const std::string& name, int count) {
  std::string text = name + "(";
  for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::to_string(i + 1);
  return text + ")";
}

TEST(ExpressionFunctions, ZeroToTwentyArgumentsArriveInOrder) {
  for (int count = 0; count <= kMaxFunctionArguments; ++count) {
    ExpressionEvaluator evaluator;
    Recorder recorder;
    ASSERT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", count, &recorder), 0);
    EXPECT_EQ(Eval(evaluator, CallText("F", count)), Value(std::to_string(count)));
    ASSERT_EQ(recorder.calls.size(), 1u);
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) expected.push_back(std::to_string(i + 1));
    EXPECT_EQ(recorder.calls[0], expected);
  }
}

TEST(ExpressionFunctions, CountsOutsideZeroToTwentyAreRefused) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", kMaxFunctionArguments + 1, &recorder), 1);
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "G", -1, &recorder), 1);
  EXPECT_EQ(evaluator.RegisterFunction(nullptr, "H", 1, &recorder), 1);
  EXPECT_EQ(Eval(evaluator, CallText("F", 21)), Failure(kEvalUnknownFunction));
  EXPECT_EQ(Eval(evaluator, "G()"), Failure(kEvalUnknownFunction));
  EXPECT_EQ(Eval(evaluator, "H(1)"), Failure(kEvalUnknownFunction));
  // A refused registration leaves an earlier one in place.
  ASSERT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", 1, &recorder), 0);
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", 99, &recorder), 1);
  EXPECT_EQ(Eval(evaluator, "F(7)"), Value("1"));
  EXPECT_TRUE(recorder.calls.size() == 1);
}

TEST(ExpressionFunctions, WrongArgumentCounts) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "NONE", 0, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "ONE", 1, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "TWO", 2, &recorder);
  EXPECT_EQ(Eval(evaluator, "TWO(1)"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator, "ONE()"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator, "TWO(1,2,3)"), Failure(kEvalNotSingleValue));
  EXPECT_EQ(Eval(evaluator, "NONE(1)"), Failure(kEvalNotSingleValue));
  EXPECT_EQ(Eval(evaluator, "TWO(1,)"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator, "TWO(1 2)"), Failure(kEvalMissingCloseParen));
  EXPECT_EQ(Eval(evaluator, "TWO(1,2"), Failure(kEvalMissingCloseParen));
}

TEST(ExpressionFunctions, NamesAreExactAndNeedTheParenthesisRightAfter) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "Max", 2, &recorder);
  EXPECT_EQ(Eval(evaluator, "Max(1, 2)"), Value("2"));
  EXPECT_EQ(Eval(evaluator, "MAX(1, 2)"), Failure(kEvalUnknownFunction));
  EXPECT_EQ(Eval(evaluator, "Max (1, 2)"), Failure(kTokenOpenParen));
  EXPECT_EQ(Eval(evaluator, "FOO(1)"), Failure(kEvalUnknownFunction));
  // ')' is checked before the name: an unclosed call of an unknown name is
  // a missing ')'.
  EXPECT_EQ(Eval(evaluator, "FOO(1"), Failure(kEvalMissingCloseParen));
}

TEST(ExpressionFunctions, ArgumentsAreEvaluatedTexts) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "F", 4, &recorder);
  EXPECT_EQ(Eval(evaluator, "F(\"a \\\"b\\\" c\\d\", 0x10, 1 + 2, \"\")").status, kEvalSuccess);
  ASSERT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(recorder.calls[0], (std::vector<std::string>{"a \"b\" c\\d", "0x10", "3", ""}));
}

TEST(ExpressionFunctions, ResultIsTheCallbackValueAsDecimalText) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "F", 1, &recorder);
  recorder.value = INT32_MIN;
  EXPECT_EQ(Eval(evaluator, "F(x)"), Value("-2147483648"));
  recorder.value = 5;
  EXPECT_EQ(Eval(evaluator, "F(x) * 2 + F(y)"), Value("15"));
  EXPECT_EQ(Eval(evaluator, "F(F(F(1)))"), Value("5"));
  EXPECT_EQ(recorder.calls.back(), std::vector<std::string>{"5"});
}

TEST(ExpressionFunctions, EveryCallIsMadeEvenWhereTheResultIsKnown) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  recorder.value = 1;
  evaluator.RegisterFunction(Recorder::Callback, "F", 1, &recorder);
  EXPECT_EQ(Eval(evaluator, "0 && F(a) || 1 || F(b)"), Value("1"));
  EXPECT_EQ(recorder.calls, (std::vector<std::vector<std::string>>{{"a"}, {"b"}}));
}

TEST(ExpressionFunctions, ResultOfACallWithoutArgumentsIsNoOperand) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "Z", 0, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "ONE", 1, &recorder);
  EXPECT_EQ(Eval(evaluator, "Z()"), Value("0"));
  EXPECT_EQ(Eval(evaluator, "Z() + 1"), Failure(kEvalOperatorAsOperand));
  EXPECT_EQ(Eval(evaluator, "-Z()"), Failure(kEvalOperatorAsOperand));
  EXPECT_EQ(Eval(evaluator, "ONE(Z())"), Failure(kEvalOperatorAsOperand));
  EXPECT_EQ(Eval(evaluator, "1, Z()"), Failure(kEvalOperatorAsOperand));
}

TEST(ExpressionFunctions, ErrorsInsideAGroupShowOnlyThroughTheNextToken) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "F", 1, &recorder);
  // The unknown inner call is dropped, its argument stays behind.
  EXPECT_EQ(Eval(evaluator, "(FOO(7))"), Value("7"));
  EXPECT_EQ(Eval(evaluator, "F((FOO(7)))"), Value("1"));
  EXPECT_EQ(recorder.calls.back(), std::vector<std::string>{"7"});
}

std::int32_t Throwing(const std::vector<std::string>&, void*) { throw std::runtime_error("callback failed"); }

TEST(ExpressionFunctions, ACallbackThatThrowsIsAnInternalError) {
  ExpressionEvaluator evaluator;
  evaluator.RegisterFunction(Throwing, "BAD", 1, nullptr);
  EXPECT_EQ(Eval(evaluator, "BAD(1)"), Failure(kEvalInternalError));
  EXPECT_EQ(Eval(evaluator, "1 + 1"), Value("2"));  // the evaluator stays usable
}

TEST(ExpressionFunctions, RegistrationsLastAndCanBeReplaced) {
  ExpressionEvaluator evaluator;
  Recorder first;
  Recorder second;
  first.value = 1;
  second.value = 2;
  evaluator.RegisterFunction(Recorder::Callback, "F", 1, &first);
  EXPECT_EQ(Eval(evaluator, "F(a)"), Value("1"));
  EXPECT_EQ(Eval(evaluator, "F(b)"), Value("1"));
  evaluator.RegisterFunction(Recorder::Callback, "F", 2, &second);
  EXPECT_EQ(Eval(evaluator, "F(c)"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator, "F(c, d)"), Value("2"));
  EXPECT_EQ(first.calls.size(), 2u);
  EXPECT_EQ(second.calls.size(), 1u);
}

// Message lines of the distributed build: a single call of a registered
// name with exactly its argument count, or the line is garbled.
class ProtocolLines : public ::testing::Test {
 protected:
  ProtocolLines() {
    evaluator_.RegisterFunction(Recorder::Callback, "OK", 0, &recorder_);
    evaluator_.RegisterFunction(Recorder::Callback, "ERR", 2, &recorder_);
    evaluator_.RegisterFunction(Recorder::Callback, "BuildConnection", 4, &recorder_);
    evaluator_.RegisterFunction(Recorder::Callback, "CommandExec", 4, &recorder_);
    evaluator_.RegisterFunction(Recorder::Callback, "BuildClientConnect", 2, &recorder_);
    evaluator_.RegisterFunction(Recorder::Callback, "CommandOut", 2, &recorder_);
    recorder_.value = 0;
  }

  // The arguments of an accepted line; nothing for a garbled one.
  std::optional<std::vector<std::string>> Parse(const std::string& line) {
    recorder_.calls.clear();
    std::string result;
    if (evaluator_.Evaluate(line, result) != kEvalSuccess || recorder_.calls.size() != 1) return std::nullopt;
    return recorder_.calls[0];
  }

  ExpressionEvaluator evaluator_;
  Recorder recorder_;
};

TEST_F(ProtocolLines, AcceptedMessages) {
  EXPECT_EQ(Parse("OK()"), std::vector<std::string>{});
  EXPECT_EQ(Parse("ERR(1,11)"), (std::vector<std::string>{"1", "11"}));
  EXPECT_EQ(Parse("BuildConnection(T,4312,1,BUILDHOST.lan)"),
            (std::vector<std::string>{"T", "4312", "1", "BUILDHOST.lan"}));
  EXPECT_EQ(Parse("CommandExec(\"cl /c \\\"a b.c\\\"\",0,\"\",\"\")"),
            (std::vector<std::string>{"cl /c \"a b.c\"", "0", "", ""}));
  EXPECT_EQ(Parse("CommandOut(1,\"line\r\\\"q\\\"\r\")"), (std::vector<std::string>{"1", "line\r\"q\"\r"}));
  EXPECT_EQ(Parse("BuildClientConnect(PC01,255)"), (std::vector<std::string>{"PC01", "255"}));
}

TEST_F(ProtocolLines, GarbledMessages) {
  EXPECT_EQ(Parse(""), std::nullopt);
  EXPECT_EQ(Parse("_DebugMessage(\"x\")"), std::nullopt);
  EXPECT_EQ(Parse("OK(1)"), std::nullopt);
  EXPECT_EQ(Parse("ERR(1)"), std::nullopt);
  EXPECT_EQ(Parse("OK() OK()"), std::nullopt);
  // Output that ends in a backslash escapes its closing quote.
  EXPECT_EQ(Parse("CommandOut(0,\"dir C:\\\")"), std::nullopt);
  // A bare name with a hyphen is a subtraction of two texts.
  EXPECT_EQ(Parse("BuildClientConnect(build-pc,300)"), std::nullopt);
}

}  // namespace
}  // namespace makefile
