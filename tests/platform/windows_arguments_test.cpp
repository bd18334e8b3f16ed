#include "platform/windows_arguments.h"

#include <gtest/gtest.h>

namespace {

using Arguments = std::vector<std::string>;

TEST(SplitWindowsArgumentsTest, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(platform::SplitWindowsArguments("  cc  -c\ta.c  "), (Arguments{"cc", "-c", "a.c"}));
  EXPECT_EQ(platform::SplitWindowsArguments("cc \"a b\" x\"y z\"w"), (Arguments{"cc", "a b", "xy zw"}));
  EXPECT_EQ(platform::SplitWindowsArguments("cc \"\" x"), (Arguments{"cc", "", "x"}));
}

TEST(SplitWindowsArgumentsTest, BackslashesCountOnlyBeforeAQuote) {
  EXPECT_EQ(platform::SplitWindowsArguments("p a\\\"b"), (Arguments{"p", "a\"b"}));
  EXPECT_EQ(platform::SplitWindowsArguments("p a\\\\\"b c\""), (Arguments{"p", "a\\b c"}));
  EXPECT_EQ(platform::SplitWindowsArguments("p a\\\\\\\"b"), (Arguments{"p", "a\\\"b"}));
  EXPECT_EQ(platform::SplitWindowsArguments("p C:\\dir\\file \\\\server\\share\\"),
            (Arguments{"p", "C:\\dir\\file", "\\\\server\\share\\"}));
}

TEST(SplitWindowsArgumentsTest, DoubledQuoteInsideQuotesIsAQuote) {
  EXPECT_EQ(platform::SplitWindowsArguments("p \"a\"\"b\""), (Arguments{"p", "a\"b"}));
}

TEST(SplitWindowsArgumentsTest, ProgramNameTakesNoEscapes) {
  EXPECT_EQ(platform::SplitWindowsArguments("\"C:\\Program Files\\x.exe\" a"),
            (Arguments{"C:\\Program Files\\x.exe", "a"}));
  EXPECT_EQ(platform::SplitWindowsArguments("C:\\dir\\\"x y\" a"), (Arguments{"C:\\dir\\x y", "a"}));
}

TEST(SplitWindowsArgumentsTest, UnbalancedQuoteRunsToTheEnd) {
  EXPECT_EQ(platform::SplitWindowsArguments("p \"a b"), (Arguments{"p", "a b"}));
  EXPECT_EQ(platform::SplitWindowsArguments("\"p q"), (Arguments{"p q"}));
}

TEST(SplitWindowsArgumentsTest, EmptyLineHasNoArguments) {
  EXPECT_TRUE(platform::SplitWindowsArguments("").empty());
  EXPECT_TRUE(platform::SplitWindowsArguments(" \t ").empty());
}

}  // namespace
