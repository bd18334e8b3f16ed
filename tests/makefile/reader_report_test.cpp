// Black-box: every makefile error the reader can meet is reported as the
// three-part syntax error (message, place, stop) with exit code 1; real NMAKE
// makefiles load or stop at their first construct outside bramle's dialect;
// hostile makefiles load or stop with the first reader error, and nothing
// crashes or hangs. -N keeps whatever loads from running.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

const std::string kReportHead = "\nBramle: FatalError Makeファイルの文法エラーが発生しました。\n";
const std::string kReportTail = "\nメイク処理を中断します。";

// The report of a reader error: message and place in UTF-8.
std::string SyntaxReport(const std::string& message, const std::string& place) {
  return Narrow(kReportHead + message + "\n" + place + "\n" + kReportTail);
}

struct ErrorCase {
  const char* what;
  std::string makefile;          // the content of `file`
  std::string messageUtf8;       // the text that fills 22004
  std::string placeUtf8;         // "file:(line) text"
  std::vector<std::string> extraArguments = {};
  std::string file = "m.mak";
  std::string included = {};  // the content of "inc.mak", when not empty
};

// ASCII text as UTF-16, little- or big-endian, with or without a mark.
std::string Utf16(const std::string& text, bool bigEndian, bool mark) {
  std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
  for (const char c : text) bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  return bytes;
}

const std::string kUtf16Message =
    "はUTF-16で保存されているため読み込めません。メイクファイルはWindowsではANSIコード(Shift_JIS)、LinuxではUTF-8で保存"
    "してください。";

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
      // UTF-16 is named as such, with the encodings that are read.
      {"utf-16 le", Utf16("all:\r\n\techo x\r\n", false, true), "m.mak" + kUtf16Message, ":(0) "},
      {"utf-16 be unmarked", Utf16("all:\n", true, false), "m.mak" + kUtf16Message, ":(0) "},
      {"utf-16 included", "all:\n!INCLUDE \"inc.mak\"\n", "inc.mak" + kUtf16Message,
       "m.mak:(2) !INCLUDE \"inc.mak\"", {}, "m.mak", Utf16("A = 1\n", true, true)},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDirectory dir;
    dir.Write(c.file, c.makefile);
    if (!c.included.empty()) dir.Write("inc.mak", c.included);
    std::vector<std::string> arguments = {"-N", "-P", "-F", c.file};
    arguments.insert(arguments.end(), c.extraArguments.begin(), c.extraArguments.end());
    const auto result = RunBramle(arguments, dir.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, SyntaxReport(c.messageUtf8, c.placeUtf8));
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

// The corpus lies beside the project, outside it; under Wine a Unix path is
// reached through drive Z:.
const std::string kCorpusFolder = std::string(BRAMLE_SOURCE_DIR) + "/../shared/corpus/nmake/";

std::string CorpusPath(const std::string& file) {
  return platform::kPathSeparator == '\\' ? testing_support::WinePath(kCorpusFolder + file) : kCorpusFolder + file;
}

struct CorpusCase {
  const char* file;
  // Empty when the file loads; else the reader's message (UTF-8) and the
  // place "file:(line) text" of the first error.
  const char* messageUtf8;
  const char* placeUtf8;
};

const CorpusCase kCorpus[] = {
    {"bzip2-makefile.msc", "", ""},
    {"zlib-Makefile.msc", "", ""},
    {"libpng-makefile.vcwin32", "", ""},
    // "!IFDEF NAME" without the $(NAME) form.
    {"libevent-Makefile.nmake", "!IFDEF、!IFNDEFのマクロ名は$(OPENSSL_DIR)の形で指定してください",
     "libevent-Makefile.nmake:(16) !IFDEF OPENSSL_DIR"},
    {"c-ares-Makefile.msvc", "!IFDEF、!IFNDEFのマクロ名は$(USE_WATT32)の形で指定してください",
     "c-ares-Makefile.msvc:(81) !IFNDEF USE_WATT32"},
    // Directive keywords are upper case only.
    {"libxml2-Makefile.msvc", "!includeのようなディレクティブ命令は存在しません",
     "libxml2-Makefile.msvc:(19) !include $(AUTOCONF)"},
    // Its first line uses $(PROJECT), which only the includer defines.
    {"tcl-sampleextension-targets.vc", "ターゲット指定行でターゲットが空です",
     "tcl-sampleextension-targets.vc:(9) $(PROJECT): setup pkgindex $(PRJLIB)"},
    // An !INCLUDE name without quotes.
    {"vim-Make_mvc.mak", "!INCLUDEで\" \"か<>で囲まれていません",
     "vim-Make_mvc.mak:(166) !INCLUDE .\\auto\\nmake\\tools.mak"},
    // "[command]" is no expression; the continued line reports its last part.
    {"httpd-Makefile.win", "')'がありません", "httpd-Makefile.win:(50)     && !defined(USEMAK) && !defined(USEDSW)"},
};

TEST(Corpus, EachFileLoadsOrStopsAtItsFirstForeignConstruct) {
  if (!std::filesystem::is_directory(CorpusPath(""))) {
    GTEST_SKIP() << "no makefile corpus at " << kCorpusFolder;
  }
  ScratchDirectory dir;
  for (const CorpusCase& c : kCorpus) {
    SCOPED_TRACE(c.file);
    // "-F<name>" keeps an absolute Linux path from reading as a '/' option;
    // -N keeps the makefile's commands from running.
    const auto result = RunBramle({"-N", "-P", "-F" + CorpusPath(c.file)}, dir.path());
    if (std::string(c.messageUtf8).empty()) {
      // Loaded: the model is shown. Building needs sources that are not here.
      EXPECT_NE(result.out.find("|| Target file: "), std::string::npos);
      EXPECT_EQ(result.err.find(Narrow("Makeファイルの文法エラー")), std::string::npos);
      continue;
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, SyntaxReport(c.messageUtf8, c.placeUtf8));
  }
}

void ExpectLoadOrReaderError(const std::string& what, const std::string& makefile) {
  SCOPED_TRACE(what);
  ScratchDirectory dir;
  dir.Write("m.mak", makefile);
  const auto result = RunBramle({"-N", "-P", "-F", "m.mak"}, dir.path());
  EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.exitCode;
  const std::string head = Narrow(kReportHead);
  const size_t reported = result.err.find(head);
  // A makefile that loaded may still fail to build; that is not the reader's.
  if (reported == std::string::npos) return;
  const std::string tail = Narrow(kReportTail);
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
