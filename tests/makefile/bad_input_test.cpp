// Black-box: hostile makefiles load or stop with the first reader error;
// nothing crashes or hangs. -N keeps whatever loads from running.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

void ExpectLoadOrReaderError(const std::string& what, const std::string& makefile) {
  SCOPED_TRACE(what);
  ScratchDirectory dir;
  dir.Write("m.mak", makefile);
  const auto result = RunBramle({"-N", "-P", "-F", "m.mak"}, dir.path());
  EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.exitCode;
  const std::string head = Narrow("\nBramle: FatalError Makeファイルの文法エラーが発生しました。\n");
  const size_t reported = result.err.find(head);
  // A makefile that loaded may still fail to build; that is not the reader's.
  if (reported == std::string::npos) return;
  const std::string tail = Narrow("\nメイク処理を中断します。");
  EXPECT_EQ(reported, 0u);
  EXPECT_EQ(result.err.find(head, 1), std::string::npos);
  ASSERT_GE(result.err.size(), tail.size());
  EXPECT_EQ(result.err.substr(result.err.size() - tail.size()), tail);
  EXPECT_EQ(result.out.find("View Depend"), std::string::npos);
}

std::string Repeat(const std::string& piece, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += piece;
  return text;
}

TEST(BadInput, BinaryHugeAndDeepMakefiles) {
  std::string everyByte;
  for (int b = 0; b < 1024; ++b) everyByte.push_back(static_cast<char>(b & 0xFF));
  std::mt19937 random(7);
  std::string noise, names = "all:";
  for (int i = 0; i < 20000; ++i) noise.push_back(static_cast<char>(random() & 0xFF));
  for (int i = 0; i < 100000; ++i) names += " n" + std::to_string(i);
  const std::pair<const char*, std::string> cases[] = {
      {"every byte", everyByte},
      {"noise", noise},
      {"nul bytes", std::string("all: a\0b\n\tcmd\0x\nA\0=\0\n", 22)},
      {"only a nul", std::string("\0", 1)},
      {"long value", "A = " + std::string(4 << 20, 'x') + "\nall: $(A)\n"},
      {"many dependents", names + "\n"},
      {"long comment", "#" + std::string(4 << 20, '#') + "\nall:\n"},
      {"long continuation", "A = " + Repeat("word \\\n", 100000) + "end\nall:\n"},
      {"10000 open", "all:\n" + Repeat("!IF 1\n", 10000)},
      {"10000 closed", "all:\n" + Repeat("!IF 1\n", 10000) + Repeat("!ENDIF\n", 10000)},
      {"10001 closed", "all:\n" + Repeat("!IF 1\n", 10000) + Repeat("!ENDIF\n", 10001)},
  };
  for (const auto& [what, makefile] : cases) ExpectLoadOrReaderError(what, makefile);
}

TEST(BadInput, UnterminatedQuotesStrayParenthesesAndMalformedDirectives) {
  const char* const lines[] = {
      "\"abc: x",    "all: \"x",    "all: )",      ")",           "A = )",       "all: $(A))",   "all: $(",
      "$(: x",       "!IF \"a",     "!INCLUDE \"a", "!MESSAGE \"",  "!IF )",       "!IF (((((",    "!",
      "!IF",         "!IFDEF",      "!IFNDEF",     "!ELSE IF",    "!ELSEIFDEF",  "!ELSE",        "!ENDIF x",
      "!INCLUDE",    "!INCLUDE \"\"", "!INCLUDE <>", "!MESSAGE",    "!ERROR",      "!IFDEF $()",   "!IFDEF $(",
      "!IF 1 +",     "!IF FOO(1)",  "!IF EXIST()", "!IF 1 ==",    "!!",          "!\t",
  };
  // Lines that are no directive stand alone; directives follow a target.
  for (const std::string line : lines) ExpectLoadOrReaderError(line, (line[0] == '!' ? "all:\n" : "") + line + "\n");
}

}  // namespace
