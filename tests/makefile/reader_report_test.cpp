// Black-box: every makefile error the reader can meet is reported as the
// three-part syntax error (message, place, stop) with exit code 1; real NMAKE
// makefiles load;
// hostile makefiles load or stop with the first reader error, and nothing
// crashes or hangs. -N keeps whatever loads from running.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/path.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace {

using testing_support::Narrow;
using testing_support::Repeat;
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
      {"with argument", "all:\n!iffy 1\n", "!iffyのようなディレクティブ命令は存在しません", "m.mak:(2) !iffy 1"},
      // What still cannot be read is named.
      {"named include", "all:\n!include $(NONE)absent.mak\n", "!INCLUDEで指定されたファイルabsent.makが見つかりません",
       "m.mak:(2) !include $(NONE)absent.mak"},
      {"open call", "all:\n!IF !defined(X\n", "defined()の括弧が閉じていません", "m.mak:(2) !IF !defined(X"},
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

// The corpus lies beside the project, outside it; under Wine a Unix path is
// reached through drive Z:.
const std::string kCorpusFolder = std::string(BRAMLE_SOURCE_DIR) + "/../shared/corpus/nmake/";

std::string ForBramle(const std::string& path) {
  return platform::kPathSeparator == '\\' ? testing_support::WinePath(path) : path;
}

struct CorpusCase {
  const char* file;  // as its makefile names it; the corpus prefixes the project
  // The macros its documentation asks for, and those that the cmd.exe
  // commands it runs while reading would have written to files.
  std::vector<std::string> macros;
  std::vector<std::string> dumped;  // lines of the -P dump
  bool tcl = false;                 // also given the Tcl build's macros
};

const CorpusCase kCorpus[] = {
    {"bzip2-makefile.msc", {}, {"| OBJS = blocksort.obj ", "|| Target file: all"}},
    {"zlib-Makefile.msc", {}, {"| TOP = .", "|| Target file: zlib.lib"}},
    {"libpng-makefile.vcwin32", {}, {"|| Target file: libpng.lib"}},
    {"libevent-Makefile.nmake", {}, {"|| Target file: static_libs"}},
    {"libxml2-Makefile.msvc", {}, {"| XML_NAME = xml2", "|| Target file: distclean"}},
    {"c-ares-Makefile.msvc", {"CFG=lib-release"}, {"| CARES_OBJDIR = .\\msvc\\cares\\lib-release\\obj"}},
    {"curl-MakefileBuild.vc", {"MODE=static"}, {"| LIB_NAME_STATIC = libcurl_a.lib", "| CURL_SRC_DIR = ..\\src"}},
    {"sqlite-Makefile.msc", {}, {"| NCC = cl.exe", "|| Target file: core"}},
    {"vim-Make_mvc.mak", {"MSVCVER=1930", "MSVC_FULL=193000000"}, {"| CPU = i386", "|| Target file: vim.exe"}},
    {"httpd-Makefile.win", {}, {"| TLP = Apache", "| UTILDIR = apr-util"}},
    // The Tcl extension's chain: makefile.vc includes rules-ext.vc, which
    // includes rules.vc; targets.vc is included by the project's makefile.
    {"makefile.vc", {}, {"| PROJECT = sample", "| VERSION = 01", "|| Target file: sample"}, true},
    {"rules-ext.vc", {"PROJECT=sample"}, {"| _RULESDIR = ."}, true},
    {"rules.vc", {"PROJECT=sample"}, {"| DOTVERSION = 0.1"}, true},
    {"targets.vc", {"PROJECT=sample", "STATIC_BUILD=0", "MULTIPLATFORM_INSTALL=0"}, {"|| Target file: setup"}},
};

const std::vector<std::string> kTclMacros = {"MSVCDIR=vc",    "TCLDIR=tcl",         "TCLSH_NATIVE=tclsh",
                                             "DOTVERSION=0.1", "VCVERSION=1930",     "ARCH=AMD64",
                                             "TCL_VERSION=86", "TCL_MAJOR_VERSION=8", "TCL_MINOR_VERSION=6",
                                             "TCL_PATCH_LEVEL=8.6.0"};

// Files the makefiles include or test for that the corpus does not hold,
// as empty stand-ins (a folder, ending in "\\", holds an empty file).
const char* const kStandIns[] = {
    "src\\lib\\ares_init.c", "src\\lib\\Makefile.inc", "src\\tools\\Makefile.inc", "cares_objs.inc",
    "prog2_objs.inc", "prog3_objs.inc", "CURL_OBJS.inc", "LIBCURL_OBJS.inc", "config.msvc",
    "auto\\nmake\\tools.mak", "Make_all.mak", "testdir\\Make_all.mak", "_major.tmp", "_minor.tmp",
    "_patchlvl.tmp", "msvcver.~", "msvcrtver.~", "srclib\\apr\\", "srclib\\apr-util\\",
    "srclib\\apr-iconv\\", "srclib\\expat\\", "srclib\\pcre\\", "tcl\\generic\\tcl.h", "vercl.i",
    "versions.vc", "nmakehlp.out", "rcver.vc",
};

TEST(Corpus, EveryFileLoads) {
  if (!std::filesystem::is_directory(kCorpusFolder)) GTEST_SKIP() << "no makefile corpus at " << kCorpusFolder;
  ScratchDirectory dir;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpusFolder)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.find('.') == std::string::npos || name == "SOURCES.md") continue;
    const bool tcl = name.rfind("tcl-sampleextension-", 0) == 0;
    std::filesystem::copy_file(entry.path(), dir.path() / (tcl ? name.substr(20) : name));
  }
  for (const std::string standIn : kStandIns) dir.Write(standIn.back() == '\\' ? standIn + "keep" : standIn, "");
  for (const CorpusCase& c : kCorpus) {
    SCOPED_TRACE(c.file);
    // -M reads as NMAKE reads; -N keeps the makefile's commands from running.
    std::vector<std::string> arguments = {"-M", "-N", "-P", "-F", c.file};
    arguments.insert(arguments.end(), c.macros.begin(), c.macros.end());
    if (c.tcl) arguments.insert(arguments.end(), kTclMacros.begin(), kTclMacros.end());
    const auto result =
        testing_support::RunBramleWithVariable("ComSpec", ForBramle(IDLE_PROCESSOR_EXE), arguments, dir.path());
    EXPECT_EQ(result.err.find(Narrow(kReportHead)), std::string::npos) << result.err;
    for (const std::string& line : c.dumped) EXPECT_NE(result.out.find("\n" + line), std::string::npos) << line;
  }
}

// Hostile makefiles load or stop with one reader report; nothing crashes or
// hangs.
TEST(BadInput, HostileMakefilesLoadOrStopWithOneReaderError) {
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
      {"10001 closed", "all:\n" + Repeat("!IF 1\n", 10000) + Repeat("!ENDIF\n", 10001)},
  };
  const std::string head = Narrow(kReportHead);
  const std::string tail = Narrow(kReportTail);
  for (const auto& [what, makefile] : cases) {
    SCOPED_TRACE(what);
    ScratchDirectory dir;
    dir.Write("m.mak", makefile);
    const auto result = RunBramle({"-N", "-P", "-F", "m.mak"}, dir.path());
    EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.exitCode;
    const size_t reported = result.err.find(head);
    // A makefile that loaded may still fail to build; that is not the reader's.
    if (reported == std::string::npos) continue;
    EXPECT_EQ(reported, 0u);
    EXPECT_EQ(result.err.find(head, 1), std::string::npos);
    ASSERT_GE(result.err.size(), tail.size());
    EXPECT_EQ(result.err.substr(result.err.size() - tail.size()), tail);
    EXPECT_EQ(result.out.find("View Depend"), std::string::npos);
  }
}

}  // namespace
