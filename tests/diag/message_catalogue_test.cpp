#include "diag/message_catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/bramle_process.h"

namespace {

// The expected texts are kept beside the test in the table's own notation:
// "\n" and "\r" stand for the control characters.
std::string Unescape(std::string text) {
  for (size_t at = 0; (at = text.find('\\', at)) != std::string::npos; ++at) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (next == 'n' || next == 'r') text.replace(at, 2, next == 'n' ? "\n" : "\r");
  }
  return text;
}

TEST(MessageCatalogue, EveryEntryMatchesByteForByte) {
  std::ifstream expected(BRAMLE_SOURCE_DIR "/tests/diag/catalogue_expected.txt", std::ios::binary);
  ASSERT_TRUE(expected.is_open());
  std::string line;
  int entries = 0;
  while (std::getline(expected, line)) {
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    const unsigned number = static_cast<unsigned>(std::stoul(line.substr(0, tab)));
    const std::string text = Unescape(line.substr(tab + 1));
    EXPECT_EQ(diag::CatalogueTextUtf8(number), text) << number;
    EXPECT_EQ(diag::LoadMessage(number), testing_support::Narrow(text)) << number;
    ++entries;
  }
  // The 129 texts of the original catalogue and the ones added since.
  EXPECT_EQ(entries, 129 + 17);
}

TEST(MessageCatalogue, FormatsPlaceholdersInOrder) {
  EXPECT_EQ(diag::FormatCatalogMessage(30010, "cl", -1), testing_support::Narrow("cl の実行エラー。(-1)\n"));
  // A '%' in an argument is data, never a placeholder.
  EXPECT_EQ(diag::FormatCatalogMessage(22005, "%s%d", 1, "%n"), "%s%d:(1) %n\n");
  EXPECT_EQ(diag::FormatCatalogMessage(22005, std::string(100000, 'x'), 7, "").size(), 100000u + 6);
  // Numbers without an entry give no text.
  for (const unsigned number : {0u, 20000u, 20011u, 65535u}) EXPECT_EQ(diag::LoadMessage(number), "") << number;
}

}  // namespace
