// The file-existence functions of makefile conditions, on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "expression_test_helpers.h"
#include "makefile/file_functions.h"
#include "platform/file_search.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace makefile {
namespace {

using expression_test::Eval;
using expression_test::Failure;
using expression_test::Value;
using testing_support::Narrow;
using testing_support::NativePath;

constexpr bool kWindows = platform::kPathSeparator == '\\';

class FileFunctions : public ::testing::Test {
 protected:
  FileFunctions() {
    RegisterFileFunctions(evaluator_);
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

TEST_F(FileFunctions, SixNamesOneArgumentEach) {
  for (const char* name : {"EXIST", "EXISTS", "Exist", "Exists", "exist", "exists"}) {
    EXPECT_EQ(Exist(In("a.obj"), name), "1") << name;
    EXPECT_EQ(Exist(In("b.obj"), name), "0") << name;
  }
  EXPECT_EQ(Exist(In("a.obj"), "EXISt"), "status 45");
  EXPECT_EQ(Eval(evaluator_, "EXIST()"), Failure(kEvalTooFewOperands));
  EXPECT_EQ(Eval(evaluator_, "EXIST(a, b)"), Failure(kEvalNotSingleValue));
}

TEST_F(FileFunctions, BareWordsAreRelativeToTheCurrentDirectory) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch_.path());
  EXPECT_EQ(Eval(evaluator_, "exist(a.obj) && !exist(b.obj)"), Value("1"));
  EXPECT_EQ(Eval(evaluator_, "EXIST(\"*.obj\")"), Value("1"));
  // '*' is an operator, so a wildcard needs the quotes.
  EXPECT_EQ(Eval(evaluator_, "EXIST(*.obj)"), Failure(kEvalMissingCloseParen));
  std::filesystem::current_path(previous);
  // ':' and '\' end a word: such a path needs the quotes too.
  EXPECT_EQ(Eval(evaluator_, "EXIST(C:\\tmp)"), Failure(kEvalMissingCloseParen));
}

TEST_F(FileFunctions, SearchAcceptsATrailingSeparatorOnDirectories) {
  EXPECT_TRUE(platform::AnyFileMatches(In("sub\\")));
  EXPECT_TRUE(platform::AnyFileMatches(In("empty")));
  EXPECT_FALSE(platform::AnyFileMatches(In("missing\\")));
}

}  // namespace
}  // namespace makefile
