#include "makefile/escapes.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace makefile {
namespace {

constexpr size_t kNone = std::string_view::npos;

// 0x95 0x5C is a double-byte character in code page 932 (its trail byte
// equals '\'); in UTF-8 the two bytes are unrelated.
const bool kDoubleByte = platform::IsLeadByte(0x95);

TEST(RemoveEscapes, DropsTheCaretBeforeEachEscapableCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"^!^#^$^(^)^-^:^;^@^\\^^^{^}", "!#$()-:;@\\^{}"},
      {"copy a^;b c", "copy a;b c"},
      // Other carets and a last one stay.
      {"^x ^a", "^x ^a"},
      {"end^", "end^"},
      {"^", "^"},
      {"", ""},
      // A doubled caret gives one and does not escape further.
      {"^^", "^"},
      {"^^$", "^$"},
      {"^^^$", "^$"},
      {"^^^^", "^^"},
      // 0x95 0x5E: in code page 932 the '^' is the second byte of a character.
      {"\x95^#", kDoubleByte ? "\x95^#" : "\x95#"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(RemoveEscapes(text), expected) << text;
}

TEST(FindUnescaped, SkipsCharactersAfterACaret) {
  const struct {
    std::string text;
    char c;
    size_t start;
    size_t found;
  } cases[] = {
      {"a^$b$", '$', 0, 4},
      {"^$", '$', 0, kNone},
      {"$x", '$', 0, 0},
      {"abc", '$', 0, kNone},
      {"", '$', 0, kNone},
      {"", '$', 1, kNone},
      // The caret is looked for before the start too.
      {"^$", '$', 1, kNone},
      {"$$", '$', 1, 1},
      {"ab", '$', 2, kNone},
      {"ab", '$', 5, kNone},
      {"a$", '$', 1, 1},
      // Only the character right before counts; "^^#" has a caret before '#'.
      {"^^#", '#', 0, kNone},
      // Never a trail byte.
      {"\x95\\x\\", '\\', 0, kDoubleByte ? 3u : 1u},
      {"\x95^$", '$', 0, kDoubleByte ? 2u : kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(FindUnescaped(c.text, c.c, c.start), c.found) << c.text << " from " << c.start;
}

TEST(StartsCharacter, CountsLeadBytesBackwards) {
  EXPECT_TRUE(StartsCharacter("ab", 1));
  EXPECT_EQ(StartsCharacter("\x95\\", 1), !kDoubleByte);
  // Two double-byte characters in a row: the third byte starts one.
  EXPECT_TRUE(StartsCharacter("\x95\x95\x95\\", 2));
  EXPECT_EQ(StartsCharacter("\x95\x95\x95\\", 3), !kDoubleByte);
  EXPECT_EQ(IsEscaped("\x95^#", 2), !kDoubleByte);
}

}  // namespace
}  // namespace makefile
