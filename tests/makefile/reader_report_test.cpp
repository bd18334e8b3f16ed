// Black-box: every makefile error the reader can meet is reported as the
// three-part syntax error (message, place, stop) with exit code 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

struct ErrorCase {
  const char* what;
  std::string makefile;          // the content of "m.mak"
  std::string messageUtf8;       // the text that fills 22004
  std::string placeUtf8;         // "file:(line) text"
  std::vector<std::string> extraArguments = {};
};

std::string ExpectedReport(const std::string& messageUtf8, const std::string& placeUtf8) {
  return Narrow("\nBramle: FatalError Makeファイルの文法エラーが発生しました。\n" + messageUtf8 + "\n" + placeUtf8 +
                "\n\nメイク処理を中断します。");
}

TEST(ReaderReport, EveryReaderError) {
  const ErrorCase cases[] = {
      {"expression", "all:\n!IF 7 / 0\n", "0除算をしました", "m.mak:(2) !IF 7 / 0"},
      {"left-over token", "all:\n!IF 1 2\n",
       "構文の誤りです(演算子が無い or 識別子が２回連続で続いている可能性があります)", "m.mak:(2) !IF 1 2"},
      {"stray parenthesis", "all:\n!IF )\n", "演算子が続けて定義されている可能性があります", "m.mak:(2) !IF )"},
      {"unclosed string", "all:\n!IF \"abc\n", "文字列なのに”で終わっていません", "m.mak:(2) !IF \"abc"},
      {"else", "all:\n!ELSE\n", "!ELSE文が定義されていますが、先行する!IFがありません", "m.mak:(2) !ELSE"},
      {"elseif", "all:\n!ELSEIF 1\n", "!ELSEIF文が定義されていますが、先行する!IFがありません", "m.mak:(2) !ELSEIF 1"},
      {"elseifdef", "all:\n!ELSE IFNDEF $(X)\n", "!ELSEIFDEFが定義されていますが、先行する!IFDEFがありません",
       "m.mak:(2) !ELSE IFNDEF $(X)"},
      {"endif", "all:\n\n!ENDIF # done\n", "!ENDIF文が定義されていますが、先行する!IFがありません",
       "m.mak:(3) !ENDIF # done"},
      {"include unquoted", "all:\n!INCLUDE present.mak\n", "!INCLUDEで\" \"か<>で囲まれていません",
       "m.mak:(2) !INCLUDE present.mak"},
      {"include quote", "all:\n!INCLUDE \"present.mak\n", "!INCLUDEが\"で終わっていません",
       "m.mak:(2) !INCLUDE \"present.mak"},
      {"include bracket", "all:\n!INCLUDE <present.mak\n", "!INCLUDEが>で終わっていません",
       "m.mak:(2) !INCLUDE <present.mak"},
      {"include missing", "all:\n!INCLUDE \"absent.mak\"\n", "!INCLUDEで指定されたファイルが見つかりません",
       "m.mak:(2) !INCLUDE \"absent.mak\""},
      {"unknown directive", "all:\n!if 1\n", "!ifのようなディレクティブ命令は存在しません", "m.mak:(2) !if 1"},
      {"bare ifdef", "all:\n!IFDEF CFG\n", "!IFDEF、!IFNDEFのマクロ名は$(CFG)の形で指定してください",
       "m.mak:(2) !IFDEF CFG"},
      {"bare ifndef", "all:\n!IFNDEF  USE_X \n", "!IFDEF、!IFNDEFのマクロ名は$(USE_X)の形で指定してください",
       "m.mak:(2) !IFNDEF  USE_X "},
      {"empty ifdef", "all:\n!IFDEF $()\n", "!IFDEF、!IFNDEFのマクロ名は$(NAME)の形で指定してください",
       "m.mak:(2) !IFDEF $()"},
      {"user error", "CFG = arm\nall:\n!ERROR no $(CFG) build\n", "no arm build (ユーザ定義)",
       "m.mak:(3) !ERROR no $(CFG) build"},
      {"suffixes colon", ".SUFFIXES .c\n", ".SUFFIXESで:がありません(定義エラー)", "m.mak:(1) .SUFFIXES .c"},
      {"rule colon", ".c.obj\n", "サフィックスルールの定義で:がありません(定義エラー)", "m.mak:(1) .c.obj"},
      {"rule brace", "{src.c.obj:\n", "サフィックスルールの定義で:がありません(定義エラー)", "m.mak:(1) {src.c.obj:"},
      {"rule without commands", ".c.obj:\nall:\n", "サフィックスルールでは一つ以上の生成コマンドが必要です",
       "m.mak:(2) all:"},
      {"suffix not listed", ".y.c:\n\tyacc $<\nall:\n", "その拡張子は.SUFFIXESで定義されていません", "m.mak:(3) all:"},
      {"empty target", ": a\n", "ターゲット指定行でターゲットが空です", "m.mak:(1) : a"},
      {"no colon", "all:\ntarget\n", "構文が認識できません、構文の誤りです。", "m.mak:(2) target"},
      {"root cycle", "all: all\n", "依存関係が循環しています(all -> all)。", "m.mak:(0) all: all"},
      {"not closed", "all:\n\tcat <<\ntext\n", "コマンドのインラインファイル文が<<で終わっていません", "m.mak:(0) text"},
      {"keep word", "all:\n\tcat <<\ntext\n<<keep\n",
       "コマンドのインラインファイル行で[KEEP][NOKEEP]以外の文字が指定されました", "m.mak:(4) <<keep"},
      {"no command", "all:\n\t<<\n<<\n", "コマンドが空の状態でインラインファイルの指定は出来ません", "m.mak:(2) \t<<"},
      {"missing", "", "nothere.makのファイルが存在しないか開けません", ":(0) ", {"-F", "nothere.mak"}},
      {"self include", "all:\n!INCLUDE \"m.mak\"\n", "m.makが自分自身をインクルードしています",
       "m.mak:(2) !INCLUDE \"m.mak\""},
      {"self reference", "all: $(LOOP)\n", "マクロLOOPが自分自身を参照しているため、展開を中止しました",
       "m.mak:(1) all: $(LOOP)", {"LOOP=x $(LOOP)"}},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir;
    dir.Write("m.mak", c.makefile);
    dir.Write("present.mak", "X = 1\n");
    std::vector<std::string> arguments = {"-N", "-P", "-F", "m.mak"};
    arguments.insert(arguments.end(), c.extraArguments.begin(), c.extraArguments.end());
    const auto result = RunBramle(arguments, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, ExpectedReport(c.messageUtf8, c.placeUtf8));
  }
}

TEST(ReaderReport, ADoubleByteFileNameIsShownWhole) {
  // In code page 932 the second byte of 表 is a backslash.
  ScratchDirectory dir;
  const std::string name = Narrow("表.mak");
  const std::string path = dir.path().string() + testing_support::NativePath("\\") + name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(file);
  std::fputs("all:\nnothing here\n", file);
  std::fclose(file);
  const auto result = RunBramle({"-N", "-F", name}, dir.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, ExpectedReport("構文が認識できません、構文の誤りです。", "表.mak:(2) nothing here"));
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
