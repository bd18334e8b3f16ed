// Runs the built program and checks what a user sees.
#include <gtest/gtest.h>

#include "diag/message_catalogue.h"
#include "support/bramle_process.h"

namespace {

using testing_support::Narrow;

TEST(Entry, OptionsThatEndTheRunEarlyAndTheUpdateText) {
  std::string usage = "bramle ver 1.16 \n";
  for (unsigned number = 23002; number <= 23020; ++number) {
    usage += diag::LoadMessage(number) + "\n";
    // -G's, -J's, -M's and -Z's lines stand among the ordinary options, after -F, -I, -K and -T.
    if (number == diag::msg::kUsageOptionF) usage += diag::LoadMessage(diag::msg::kUsageOptionG) + "\n";
    if (number == diag::msg::kUsageOptionI) {
      usage += diag::LoadMessage(diag::msg::kUsageOptionJ) + "\n";
      usage += diag::FormatCatalogMessage(diag::msg::kUsageOptionJLimit, 256) + "\n";
    }
    if (number == diag::msg::kUsageOptionK) usage += diag::LoadMessage(diag::msg::kUsageOptionM) + "\n";
    if (number == diag::msg::kUsageOptionT) usage += diag::LoadMessage(diag::msg::kUsageOptionZ) + "\n";
  }
  ASSERT_EQ(usage.find(Narrow("コマンド書式：")), 17u);
  const std::string unknown = Narrow("\nBramle: FatalError 定義されていないコマンドオプションです\nメイク処理を中断します。");
  const struct {
    std::vector<std::string> arguments;
    std::string out;
    std::string err;
  } cases[] = {
      {{"-H"}, usage, ""},
      {{"-?"}, usage, ""},
      {{"-H", "-Y"}, usage, ""},  // help stops before the unknown option
      {{"-Y"}, "", unknown},
      {{"/"}, "", unknown},
      // Parsing that stops early never reaches the update text.
      {{"-V", "-Y"}, "", unknown},
      {{"-V", "-H"}, usage, ""},
  };
  testing_support::ScratchDirectory scratch;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[0]);
    const auto result = testing_support::RunBramle(c.arguments, scratch.path());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
  }
  // Otherwise the update text comes first.
  auto info = testing_support::RunBramle({"-V", "-F", "missing.mak"}, scratch.path());
  const std::string updateInfo = "bramle ver 1.16 \n Update info:\n -x2 option changed (put inlinefiles)\n\n";
  EXPECT_EQ(info.out.substr(0, updateInfo.size()), updateInfo);
}

}  // namespace
