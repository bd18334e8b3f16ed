// Runs the built program and checks what a user sees.
#include <gtest/gtest.h>

#include "diag/message_catalogue.h"
#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;
using testing_support::RunBramle;
using testing_support::ScratchDirectory;

std::string ExpectedUsage() {
  std::string text = "bramle ver 1.16 \n";
  for (unsigned number = 23002; number <= 23020; ++number) {
    text += diag::LoadMessage(number) + "\n";
    // -J's line stands among the ordinary options, after -I.
    if (number == 23010) text += diag::LoadMessage(23021) + "\n";
  }
  return text;
}

TEST(Entry, UsageTextAndExitCode) {
  ScratchDirectory scratch;
  for (const char* option : {"-H", "-?", "/h"}) {
    auto result = RunBramle({option}, scratch.path());
    EXPECT_EQ(result.exitCode, 1) << option;
    EXPECT_EQ(result.out, ExpectedUsage()) << option;
    EXPECT_EQ(result.err, "") << option;
  }
}

TEST(Entry, UsageStartsWithTheJapaneseFormatLine) {
  ScratchDirectory scratch;
  auto result = RunBramle({"-H"}, scratch.path());
  EXPECT_EQ(result.out.substr(0, 17 + Narrow("コマンド書式：").size()), "bramle ver 1.16 \n" + Narrow("コマンド書式："));
}

TEST(Entry, UnknownOptionIsFramedFatalError) {
  ScratchDirectory scratch;
  const std::string expected = Narrow("\nBramle: FatalError 定義されていないコマンドオプションです\nメイク処理を中断します。");
  for (const char* option : {"-Z", "-c", "-", "/"}) {
    auto result = RunBramle({option}, scratch.path());
    EXPECT_EQ(result.exitCode, 1) << option;
    EXPECT_EQ(result.err, expected) << option;
    EXPECT_EQ(result.out, "") << option;
  }
}

TEST(Entry, HelpBeforeUnknownOptionNeverReportsIt) {
  ScratchDirectory scratch;
  auto result = RunBramle({"-H", "-Z"}, scratch.path());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "");
}

TEST(Entry, UpdateInfoFollowsParsing) {
  ScratchDirectory scratch;
  auto info = RunBramle({"-V", "-F", "missing.mak"}, scratch.path());
  const std::string updateInfo = "bramle ver 1.16 \n Update info:\n -x2 option changed (put inlinefiles)\n\n";
  EXPECT_EQ(info.out.substr(0, updateInfo.size()), updateInfo);
  // Parsing that stops early never reaches the update text.
  EXPECT_EQ(RunBramle({"-V", "-Z"}, scratch.path()).out, "");
  EXPECT_EQ(RunBramle({"-V", "-H"}, scratch.path()).out, ExpectedUsage());
}

TEST(Entry, NonAsciiAndLongArgumentsDoNotCrash) {
  ScratchDirectory scratch;
  auto nonAscii = RunBramle({Narrow("-Fメイク.mak"), Narrow("ターゲット")}, scratch.path());
  EXPECT_EQ(nonAscii.exitCode, 1);
  auto longArgument = RunBramle({"-F" + std::string(4000, 'm'), std::string(4000, 't')}, scratch.path());
  EXPECT_EQ(longArgument.exitCode, 1);
}

}  // namespace
