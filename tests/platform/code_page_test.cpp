#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace {

using platform::ConvertCodePage;
using platform::kUtf8CodePage;

// 表示 and its line ends in both pages; broken and missing characters.
TEST(CodePage, ConvertsBetweenUtf8AndShiftJis) {
  const struct {
    std::string utf8, shiftJis;
  } cases[] = {
      {"\xE8\xA1\xA8\xE7\xA4\xBA\r\n\n", "\x95\x5C\x8E\xA6\r\n\n"},
      {"plain \"ascii\"\\", "plain \"ascii\"\\"},
      {"\xEF\xBD\xB1", "\xB1"},  // half-width katakana: one byte in 932
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConvertCodePage(c.utf8, kUtf8CodePage, 932), c.shiftJis) << c.utf8;
    EXPECT_EQ(ConvertCodePage(c.shiftJis, 932, kUtf8CodePage), c.utf8) << c.utf8;
  }
  // What the other page lacks is '?'; a broken character becomes one
  // replacement character (Windows shows its own), and the line end after
  // it stays.
  EXPECT_EQ(ConvertCodePage("caf\xC3\xA9.", kUtf8CodePage, 932), "caf?.");
  EXPECT_EQ(ConvertCodePage("\xE8\xA1\r\n", kUtf8CodePage, 932), "?\r\n");
  const std::string broken = ConvertCodePage("\x82\r\n", 932, kUtf8CodePage);
  EXPECT_TRUE(broken == "?\r\n" || broken == "\xE3\x83\xBB\r\n") << broken;
  EXPECT_EQ(ConvertCodePage("\x95\x5C", 932, 932), "\x95\x5C");
}

TEST(CodePage, FindsTheUnfinishedCharacterAtTheEnd) {
  const struct {
    std::string text;
    size_t unfinished;
  } cases[] = {{"", 0}, {"ab", 0}, {"\xE8\xA1\xA8", 0}, {"a\xE8\xA1", 2}, {"a\xE8", 1}, {"\xF0\x9F\x98", 3}};
  for (const auto& c : cases) EXPECT_EQ(platform::IncompleteUtf8Bytes(c.text), c.unfinished) << c.text;
  // In the narrow encoding: a whole 表示 and one cut after its first byte.
  const std::string whole = ConvertCodePage("\xE8\xA1\xA8\xE7\xA4\xBA", kUtf8CodePage, platform::NarrowCodePage());
  EXPECT_EQ(platform::IncompleteCharacterBytes(whole), 0u);
  EXPECT_EQ(platform::IncompleteCharacterBytes(whole.substr(0, whole.size() - 1)),
            platform::NarrowCodePage() == kUtf8CodePage ? 2u : 1u);
}

}  // namespace
