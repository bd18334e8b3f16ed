// Black-box: every makefile error the reader can meet is reported as the
// three-part syntax error (message, place, stop) with exit code 1.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

struct ErrorCase {
  const char* what;
  std::string makefile;          // the content of `file`
  std::string messageUtf8;       // the text that fills 22004
  std::string placeUtf8;         // "file:(line) text"
  std::vector<std::string> extraArguments = {};
  std::string file = "m.mak";
};

// The reader's codes, lines and texts are held by its own tests and the
// catalogue's texts by the catalogue test: one row per way the report is put
// together.
TEST(ReaderReport, EveryKindOfReport) {
  const ErrorCase cases[] = {
      // An evaluator status sits above the others; a left-over token shows as
      // a missing operator.
      {"left-over token", "all:\n!IF 1 2\n",
       "構文の誤りです(演算子が無い or 識別子が２回連続で続いている可能性があります)", "m.mak:(2) !IF 1 2"},
      {"without argument", "all:\n\n!ENDIF # done\n", "!ENDIF文が定義されていますが、先行する!IFがありません",
       "m.mak:(3) !ENDIF # done"},
      {"with argument", "all:\n!if 1\n", "!ifのようなディレクティブ命令は存在しません", "m.mak:(2) !if 1"},
      {"bare ifndef", "all:\n!IFNDEF  USE_X \n", "!IFDEF、!IFNDEFのマクロ名は$(USE_X)の形で指定してください",
       "m.mak:(2) !IFNDEF  USE_X "},
      {"user error", "CFG = arm\nall:\n!ERROR no $(CFG) build\n", "no arm build (ユーザ定義)",
       "m.mak:(3) !ERROR no $(CFG) build"},
      {"root cycle", "all: all\n", "依存関係が循環しています(all -> all)。", "m.mak:(0) all: all"},
      {"missing", "", "nothere.makのファイルが存在しないか開けません", ":(0) ", {"-F", "nothere.mak"}},
      {"self reference", "all: $(LOOP)\n", "マクロLOOPが自分自身を参照しているため、展開を中止しました",
       "m.mak:(1) all: $(LOOP)", {"LOOP=x $(LOOP)"}},
      // In code page 932 the second byte of 表 is a backslash: the name is
      // shown whole.
      {"double-byte name", "all:\nnothing here\n", "構文が認識できません、構文の誤りです。", "表.mak:(2) nothing here",
       {}, Narrow("表.mak")},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir;
    dir.Write(c.file, c.makefile);
    std::vector<std::string> arguments = {"-N", "-P", "-F", c.file};
    arguments.insert(arguments.end(), c.extraArguments.begin(), c.extraArguments.end());
    const auto result = RunBramle(arguments, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, Narrow("\nBramle: FatalError Makeファイルの文法エラーが発生しました。\n" + c.messageUtf8 + "\n" +
                                 c.placeUtf8 + "\n\nメイク処理を中断します。"));
  }
}

TEST(ReaderReport, AMakefileThatLoadsGivesNoReport) {
  ScratchDirectory dir;
  dir.Write("m.mak", "all:\n\techo $(UNDEFINED)\n");
  const auto result = RunBramle({"-N", "-P", "-F", "m.mak"}, dir.path());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  // The undefined name is announced by one empty line, then the model.
  EXPECT_EQ(result.out.substr(0, 2), "\n+");
  EXPECT_NE(result.out.find("||  echo \n"), std::string::npos);
}

}  // namespace
