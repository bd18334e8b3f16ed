// Registered functions: argument counts, argument texts and results, and
// the file functions. (The message lines of the network protocol, which are
// calls too, are held by the protocol peer's tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "expression_test_helpers.h"
#include "makefile/file_functions.h"
#include "platform/file_search.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace makefile {
namespace {

using expression_test::Failure;
using expression_test::Eval;
using expression_test::Value;
using testing_support::Narrow;
using testing_support::NativePath;

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

// A refused registration leaves an earlier one in place; an accepted one
// replaces it.
TEST(ExpressionFunctions, RegistrationsOutsideZeroToTwentyAreRefusedOthersReplace) {
  ExpressionEvaluator evaluator;
  Recorder first;
  Recorder second;
  second.value = 2;
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", kMaxFunctionArguments + 1, &first), 1);
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "G", -1, &first), 1);
  EXPECT_EQ(evaluator.RegisterFunction(nullptr, "H", 1, &first), 1);
  EXPECT_EQ(Eval(evaluator, CallText("F", 21)), Failure(kEvalUnknownFunction));
  EXPECT_EQ(Eval(evaluator, "G()"), Failure(kEvalUnknownFunction));
  EXPECT_EQ(Eval(evaluator, "H(1)"), Failure(kEvalUnknownFunction));
  ASSERT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", 1, &first), 0);
  EXPECT_EQ(evaluator.RegisterFunction(Recorder::Callback, "F", 99, &first), 1);
  EXPECT_EQ(Eval(evaluator, "F(7)"), Value("1"));
  EXPECT_EQ(Eval(evaluator, "F(8)"), Value("1"));
  evaluator.RegisterFunction(Recorder::Callback, "F", 2, &second);
  EXPECT_EQ(Eval(evaluator, "F(c)"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator, "F(c, d)"), Value("2"));
  EXPECT_EQ(first.calls.size(), 2u);
  EXPECT_EQ(second.calls.size(), 1u);
}

std::int32_t Throwing(const std::vector<std::string>&, void*) { throw std::runtime_error("callback failed"); }

TEST(ExpressionFunctions, CallsAndTheirStatuses) {
  ExpressionEvaluator evaluator;
  Recorder recorder;  // gives the number of arguments
  evaluator.RegisterFunction(Throwing, "BAD", 1, nullptr);
  evaluator.RegisterFunction(Recorder::Callback, "NONE", 0, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "ONE", 1, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "TWO", 2, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "Max", 2, &recorder);
  const std::pair<std::string, expression_test::Outcome> cases[] = {
      // A callback that throws is an internal error; the evaluator stays
      // usable for the rows after it.
      {"BAD(1)", Failure(kEvalInternalError)},
      {"TWO(1)", Failure(kEvalTooFewOperands)},
      {"ONE()", Failure(kEvalTooFewOperands)},
      {"TWO(1,2,3)", Failure(kEvalNotSingleValue)},
      {"NONE(1)", Failure(kEvalNotSingleValue)},
      {"TWO(1,)", Failure(kEvalTooFewOperands)},
      {"TWO(1 2)", Failure(kEvalMissingCloseParen)},
      {"TWO(1,2", Failure(kEvalMissingCloseParen)},
      // Names are exact and need the parenthesis right after.
      {"Max(1, 2)", Value("2")},
      {"MAX(1, 2)", Failure(kEvalUnknownFunction)},
      {"Max (1, 2)", Failure(kTokenOpenParen)},
      {"FOO(1)", Failure(kEvalUnknownFunction)},
      // ')' is checked before the name.
      {"FOO(1", Failure(kEvalMissingCloseParen)},
      {"ONE(x) * 2 + TWO(y, z)", Value("4")},
      // The result of a call without arguments is no operand.
      {"NONE()", Value("0")},
      {"NONE() + 1", Failure(kEvalOperatorAsOperand)},
      {"-NONE()", Failure(kEvalOperatorAsOperand)},
      {"ONE(NONE())", Failure(kEvalOperatorAsOperand)},
      {"1, NONE()", Failure(kEvalOperatorAsOperand)},
      // Errors inside a group show only through the next token: the unknown
      // inner call is dropped, its argument stays behind.
      {"(FOO(7))", Value("7")},
      {"TWO((FOO(7)), 1)", Value("2")},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Eval(evaluator, text), outcome) << text;
}

// Arguments arrive as the texts they evaluate to; the result is the
// callback's value as decimal text, and every call is made, even where the
// result is already known.
TEST(ExpressionFunctions, ArgumentTextsResultsAndEveryCall) {
  ExpressionEvaluator evaluator;
  Recorder recorder;
  evaluator.RegisterFunction(Recorder::Callback, "F", 1, &recorder);
  evaluator.RegisterFunction(Recorder::Callback, "G", 4, &recorder);
  EXPECT_EQ(Eval(evaluator, "G(\"a \\\"b\\\" c\\d\", 0x10, 1 + 2, \"\")").status, kEvalSuccess);
  EXPECT_EQ(recorder.calls.back(), (std::vector<std::string>{"a \"b\" c\\d", "0x10", "3", ""}));
  recorder.value = INT32_MIN;
  EXPECT_EQ(Eval(evaluator, "F(x)"), Value("-2147483648"));
  recorder.value = 5;
  EXPECT_EQ(Eval(evaluator, "F(F(F(1)))"), Value("5"));
  EXPECT_EQ(recorder.calls.back(), std::vector<std::string>{"5"});
  recorder.calls.clear();
  recorder.value = 1;
  EXPECT_EQ(Eval(evaluator, "0 && F(a) || 1 || F(b)"), Value("1"));
  EXPECT_EQ(recorder.calls, (std::vector<std::vector<std::string>>{{"a"}, {"b"}}));
}

// The file-existence functions of makefile conditions, on real files.
constexpr bool kWindows = platform::kPathSeparator == '\\';

class FileFunctions : public ::testing::Test {
 protected:
  FileFunctions() {
    RegisterFileFunctions(evaluator_, false);
    scratch_.Write("a.obj", "");
    scratch_.Write(NativePath("sub\\x.txt"), "");
    scratch_.Write(NativePath("dots\\.cfg"), "");
    std::filesystem::create_directory(scratch_.path() / "empty");
    // A narrow name goes to the C library as it stands (the ANSI code page
    // on Windows), not through a path conversion.
    std::filesystem::create_directory(scratch_.path() / "jp");
    std::ofstream(In("jp\\") + Narrow("表.obj")).put('x');
  }

  // `relative` written Windows-style, inside the scratch directory.
  std::string In(const std::string& relative) const {
    return scratch_.path().string() + platform::kPathSeparator + NativePath(relative);
  }

  // The value of NAME("path") as the evaluator gives it.
  std::string Exist(const std::string& path, const std::string& name = "EXIST") {
    std::string result;
    const int status = evaluator_.Evaluate(name + "(\"" + path + "\")", result);
    return status == kEvalSuccess ? result : "status " + std::to_string(status);
  }

  testing_support::ScratchDirectory scratch_;
  ExpressionEvaluator evaluator_;
};

TEST_F(FileFunctions, ExistenceAndWildcards) {
  const std::string sameCase = kWindows ? "1" : "0";  // names compare as the file system does
  const std::pair<std::string, std::string> cases[] = {
      {In("a.obj"), "1"},
      {In("b.obj"), "0"},
      {In("sub"), "1"},
      {In("sub\\x.txt"), "1"},
      {In("nowhere\\x.txt"), "0"},
      {"", "0"},
      // Wildcards in the last component only; directories count.
      {In("*.obj"), "1"},
      {In("*.exe"), "0"},
      {In("a.o?j"), "1"},
      {In("?.obj"), "1"},
      {In("*b*"), "1"},
      {In("x*"), "0"},  // x.txt lies one level down
      {In("sub\\*.txt"), "1"},
      {In("su?"), "1"},
      {In("s*\\x.txt"), "0"},
      {In("nowhere\\*"), "0"},
      // Dot entries never count, but dot files do.
      {In("empty\\*"), "0"},
      {In("empty\\*.*"), "0"},
      {In("empty"), "1"},
      {In("dots\\*"), "1"},
      {In("dots\\*.cfg"), "1"},
      {In("A.OBJ"), sameCase},
      {In("*.OBJ"), sameCase},
      // In code page 932 the last byte of 表 is a backslash, directly before
      // the closing quote of the literal; '?' is one character, not one byte.
      {In("jp\\") + Narrow("表"), "0"},
      {In("jp\\") + Narrow("表.obj"), "1"},
      {In("jp\\") + Narrow("表*"), "1"},
      {In("jp\\?.obj"), "1"},
      {In("jp\\*") + Narrow("表"), "0"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(Exist(path), expected) << path;
}

TEST_F(FileFunctions, SixNamesOneArgumentEachAndDirectoriesWithASeparator) {
  for (const char* name : {"EXIST", "EXISTS", "Exist", "Exists", "exist", "exists"}) {
    EXPECT_EQ(Exist(In("a.obj"), name), "1") << name;
  }
  EXPECT_EQ(Exist(In("a.obj"), "EXISt"), "status 45");
  EXPECT_EQ(Eval(evaluator_, "EXIST()"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator_, "EXIST(a, b)"), Failure(kEvalNotSingleValue));
  // The search takes a trailing separator on directories (which would
  // escape the closing quote of EXIST's literal).
  EXPECT_TRUE(platform::AnyFileMatches(In("sub\\")));
  EXPECT_FALSE(platform::AnyFileMatches(In("missing\\")));
}

}  // namespace
}  // namespace makefile
