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
  EXPECT_EQ(RemoveEscapes("^!^#^$^(^)^-^:^;^@^\\^^^{^}"), "!#$()-:;@\\^{}");
  EXPECT_EQ(RemoveEscapes("a ^# b"), "a # b");
  EXPECT_EQ(RemoveEscapes("copy a^;b c"), "copy a;b c");
}

TEST(RemoveEscapes, KeepsOtherCaretsAndALastOne) {
  EXPECT_EQ(RemoveEscapes("^x ^a"), "^x ^a");
  EXPECT_EQ(RemoveEscapes("end^"), "end^");
  EXPECT_EQ(RemoveEscapes("^"), "^");
  EXPECT_EQ(RemoveEscapes(""), "");
}

TEST(RemoveEscapes, ADoubledCaretGivesOneAndDoesNotEscapeFurther) {
  EXPECT_EQ(RemoveEscapes("^^"), "^");
  EXPECT_EQ(RemoveEscapes("^^$"), "^$");
  EXPECT_EQ(RemoveEscapes("^^^$"), "^$");
  EXPECT_EQ(RemoveEscapes("^^^^"), "^^");
}

TEST(RemoveEscapes, ATrailByteIsNoCaret) {
  // 0x95 0x5E: in code page 932 the '^' is the second byte of a character.
  EXPECT_EQ(RemoveEscapes("\x95^#"), kDoubleByte ? "\x95^#" : "\x95#");
}

TEST(FindUnescaped, SkipsCharactersAfterACaret) {
  EXPECT_EQ(FindUnescaped("a^$b$", '$', 0), 4u);
  EXPECT_EQ(FindUnescaped("^$", '$', 0), kNone);
  EXPECT_EQ(FindUnescaped("$x", '$', 0), 0u);
  EXPECT_EQ(FindUnescaped("abc", '$', 0), kNone);
  EXPECT_EQ(FindUnescaped("", '$', 0), kNone);
}

TEST(FindUnescaped, LooksBeforeTheStartForTheCaret) {
  EXPECT_EQ(FindUnescaped("^$", '$', 1), kNone);
  EXPECT_EQ(FindUnescaped("$$", '$', 1), 1u);
  EXPECT_EQ(FindUnescaped("ab", '$', 5), kNone);
}

TEST(FindUnescaped, AnEscapedCaretStillEscapes) {
  // Only the character right before counts; "^^#" has a caret before '#'.
  EXPECT_EQ(FindUnescaped("^^#", '#', 0), kNone);
}

TEST(FindUnescaped, NeverMatchesATrailByte) {
  EXPECT_EQ(FindUnescaped("\x95\\x\\", '\\', 0), kDoubleByte ? 3u : 1u);
  EXPECT_EQ(FindUnescaped("\x95^$", '$', 0), kDoubleByte ? 2u : kNone);
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
