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

TEST(BadInput, BinaryAndNulBytes) {
  std::string everyByte;
  for (int round = 0; round < 4; ++round) {
    for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
  }
  ExpectLoadOrReaderError("every byte", everyByte);
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise.push_back(static_cast<char>(random() & 0xFF));
  ExpectLoadOrReaderError("noise", noise);
  ExpectLoadOrReaderError("nul bytes", std::string("all: a\0b\n\tcmd\0x\nA\0=\0\n", 22));
  ExpectLoadOrReaderError("only a nul", std::string("\0", 1));
}

TEST(BadInput, LinesOfMegabytes) {
  ExpectLoadOrReaderError("long value", "A = " + std::string(4 << 20, 'x') + "\nall: $(A)\n");
  std::string names = "all:";
  for (int i = 0; i < 100000; ++i) names += " n" + std::to_string(i);
  ExpectLoadOrReaderError("many dependents", names + "\n");
  ExpectLoadOrReaderError("long comment", "#" + std::string(4 << 20, '#') + "\nall:\n");
  std::string continued = "A = ";
  for (int i = 0; i < 100000; ++i) continued += "word \\\n";
  ExpectLoadOrReaderError("long continuation", continued + "end\nall:\n");
}

TEST(BadInput, DeepConditionals) {
  std::string open;
  for (int i = 0; i < 10000; ++i) open += "!IF 1\n";
  ExpectLoadOrReaderError("10000 open", "all:\n" + open);
  std::string closed = open;
  for (int i = 0; i < 10000; ++i) closed += "!ENDIF\n";
  ExpectLoadOrReaderError("10000 closed", "all:\n" + closed);
  ExpectLoadOrReaderError("10001 closed", "all:\n" + closed + "!ENDIF\n");
}

TEST(BadInput, UnterminatedQuotesAndStrayParentheses) {
  const char* const lines[] = {
      "\"abc: x\n", "all: \"x\n", "all:\n!IF \"a\n", "all:\n!INCLUDE \"a\n", "all:\n!MESSAGE \"\n",
      ")\n",        "all: )\n",   "A = )\n",        "all:\n!IF )\n",       "all: $(A))\n",
      "all: $(\n",  "$(: x\n",    "all:\n!IF (((((\n",
  };
  for (const char* line : lines) ExpectLoadOrReaderError(line, line);
}

TEST(BadInput, MalformedDirectives) {
  const char* const directives[] = {
      "!",          "!IF",       "!IFDEF",        "!IFNDEF",      "!ELSE IF",   "!ELSEIFDEF", "!ELSE",
      "!ENDIF x",   "!INCLUDE",  "!INCLUDE \"\"", "!INCLUDE <>",  "!MESSAGE",   "!ERROR",     "!IFDEF $()",
      "!IFDEF $(",  "!IF 1 +",   "!IF FOO(1)",    "!IF EXIST()",  "!IF 1 ==",   "!!",         "!\t",
  };
  for (const char* directive : directives) ExpectLoadOrReaderError(directive, std::string("all:\n") + directive + "\n");
}

}  // namespace
