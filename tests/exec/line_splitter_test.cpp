#include "exec/line_splitter.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(LineSplitterTest, LinesKeepTheirEndsAcrossChunks) {
  exec::LineSplitter splitter;
  splitter.Feed("ab");
  EXPECT_FALSE(splitter.HasLine());
  splitter.Feed("c\r\nd\n\nef");
  Lines lines;
  splitter.TakeLines(100, lines);
  EXPECT_EQ(lines, (Lines{"abc\r\n", "d\n", "\n"}));
  EXPECT_FALSE(splitter.HasLine());
  EXPECT_EQ(splitter.TakeRest(), "ef");
  EXPECT_EQ(splitter.TakeRest(), "");
}

TEST(LineSplitterTest, TakesNoMoreThanTheLimit) {
  exec::LineSplitter splitter;
  splitter.Feed("1\n2\n3\n");
  Lines lines;
  splitter.TakeLines(2, lines);
  EXPECT_EQ(lines, (Lines{"1\n", "2\n"}));
  lines.clear();
  splitter.Feed("4");
  splitter.TakeLines(0, lines);
  EXPECT_TRUE(lines.empty());
  splitter.TakeLines(5, lines);
  EXPECT_EQ(lines, (Lines{"3\n"}));
  EXPECT_EQ(splitter.TakeRest(), "4");
}

TEST(LineSplitterTest, KeepsNulBytesAndLongLines) {
  exec::LineSplitter splitter;
  std::string longLine(200000, 'x');
  splitter.Feed(std::string("a\0b\n", 4));
  for (size_t i = 0; i < longLine.size(); i += 1000) splitter.Feed(longLine.substr(i, 1000));
  splitter.Feed("\n");
  Lines lines;
  splitter.TakeLines(10, lines);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string("a\0b\n", 4));
  EXPECT_EQ(lines[1], longLine + "\n");
}

}  // namespace
