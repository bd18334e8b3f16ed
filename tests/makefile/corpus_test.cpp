// Black-box: real NMAKE makefiles either load or stop at their first
// construct outside bramle's dialect with that construct's reader error.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

// The corpus lies beside the project, outside it; under Wine a Unix path is
// reached through drive Z:.
const std::string kCorpusFolder = std::string(BRAMLE_SOURCE_DIR) + "/../shared/corpus/nmake/";

std::string CorpusPath(const std::string& file) {
  std::string path = kCorpusFolder + file;
  if (platform::kPathSeparator == '\\' && !path.empty() && path[0] == '/') {
    path = "Z:" + path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
  }
  return path;
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
    {"curl-MakefileBuild.vc", "!Ifのようなディレクティブ命令は存在しません",
     "curl-MakefileBuild.vc:(44) !If \"$(CC)\" == \"\""},
    {"tcl-sampleextension-rules.vc", "!ifndefのようなディレクティブ命令は存在しません",
     "tcl-sampleextension-rules.vc:(20) !ifndef _RULES_VC"},
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
    EXPECT_EQ(result.err, Narrow(std::string("\nBramle: FatalError Makeファイルの文法エラーが発生しました。\n") +
                                 c.messageUtf8 + "\n" + c.placeUtf8 + "\n\nメイク処理を中断します。"));
  }
}

}  // namespace
