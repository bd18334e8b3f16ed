#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine/command_list.h"
#include "engine/name_compare.h"
#include "engine/name_token.h"
#include "engine/path_parts.h"
#include "engine/special_macro_scanner.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

TEST(SplitPath, DirectoryBaseAndExtension) {
  PathParts parts = SplitPath(NativePath("C:\\w\\obj\\foo.obj"));
  EXPECT_EQ(parts.directory, NativePath("C:\\w\\obj"));
  EXPECT_EQ(parts.base, "foo");
  EXPECT_EQ(parts.extension, ".obj");

  parts = SplitPath("tool");
  EXPECT_EQ(parts.directory, "");
  EXPECT_EQ(parts.base, "tool");
  EXPECT_EQ(parts.extension, "");

  // A dot in a directory name is not an extension; the last dot counts.
  parts = SplitPath(NativePath("a.b\\c"));
  EXPECT_EQ(parts.directory, "a.b");
  EXPECT_EQ(parts.base, "c");
  EXPECT_EQ(parts.extension, "");
  parts = SplitPath("x.tar.gz");
  EXPECT_EQ(parts.base, "x.tar");
  EXPECT_EQ(parts.extension, ".gz");
}

TEST(SplitPath, DoubleByteCharactersAreNotSplit) {
  // In code page 932 the second byte of 表 is a backslash.
  const std::string name = Narrow("表");
  const PathParts parts = SplitPath(NativePath("dir\\") + name + ".c");
  EXPECT_EQ(parts.directory, "dir");
  EXPECT_EQ(parts.base, name);
  EXPECT_EQ(parts.extension, ".c");
  EXPECT_EQ(LastPathComponent(name), name);
}

TEST(ApplyModifier, EachModifier) {
  const std::string path = NativePath("C:\\w\\obj\\foo.obj");
  EXPECT_EQ(ApplyModifier(MacroModifier::None, path), path);
  EXPECT_EQ(ApplyModifier(MacroModifier::Directory, path), NativePath("C:\\w\\obj"));
  EXPECT_EQ(ApplyModifier(MacroModifier::BaseName, path), "foo");
  EXPECT_EQ(ApplyModifier(MacroModifier::FileName, path), "foo.obj");
  EXPECT_EQ(ApplyModifier(MacroModifier::Root, path), NativePath("C:\\w\\obj\\foo"));
  EXPECT_EQ(ApplyModifier(MacroModifier::Root, "foo.obj"), "foo");
  EXPECT_EQ(ApplyModifier(MacroModifier::Directory, "foo.obj"), "");
}

std::vector<std::string> ReadAll(std::string_view text) {
  std::vector<std::string> names;
  for (;;) {
    std::string name = ReadNameToken(text);
    if (name.empty()) return names;
    names.push_back(name);
  }
}

TEST(ReadNameToken, BlanksTabsAndQuotes) {
  EXPECT_EQ(ReadAll("  a.c\tb.c   c.c "), (std::vector<std::string>{"a.c", "b.c", "c.c"}));
  EXPECT_EQ(ReadAll("\"my file.obj\" x.c"), (std::vector<std::string>{"my file.obj", "x.c"}));
  EXPECT_EQ(ReadAll("\"say \\\"hi\\\"\""), (std::vector<std::string>{"say \"hi\""}));
  // An empty quoted name ends a list.
  EXPECT_EQ(ReadAll("\"\" a b"), (std::vector<std::string>{}));
  // An unclosed quote starts an ordinary name.
  EXPECT_EQ(ReadAll("\"open a"), (std::vector<std::string>{"\"open", "a"}));
}

TEST(ReadNameToken, ConsumesOnlyTheName) {
  std::string_view text = " first  second";
  EXPECT_EQ(ReadNameToken(text), "first");
  EXPECT_EQ(text, "  second");
  text = "\"q\"rest";
  EXPECT_EQ(ReadNameToken(text), "q");
  EXPECT_EQ(text, "rest");
}

TEST(ReadNameToken, TrailByteBeforeQuoteDoesNotEscapeIt) {
  // 表 ends in the byte of a backslash in code page 932.
  const std::string name = Narrow("表");
  std::string_view text;
  const std::string quoted = "\"" + name + "\" next";
  text = quoted;
  EXPECT_EQ(ReadNameToken(text), name);
  EXPECT_EQ(ReadNameToken(text), "next");
}

TEST(FoldCase, SingleByteLettersOnly) {
  EXPECT_TRUE(EqualsIgnoringCase("Foo.OBJ", "foo.obj"));
  EXPECT_FALSE(EqualsIgnoringCase("foo.obj", "foo.ob"));
  // The trail byte of ア in code page 932 is 'A'; folding must leave it.
  const std::string wide = Narrow("ア");
  EXPECT_EQ(FoldCase(wide), wide);
  EXPECT_FALSE(EqualsIgnoringCase(wide, Narrow("ャ")));
  // A letter after a double-byte character still folds.
  EXPECT_EQ(FoldCase(wide + "X"), wide + "x");
  EXPECT_TRUE(EqualsIgnoringCase(wide + "X", wide + "x"));
}

TEST(FoldCase, HashAgreesWithTheComparison) {
  EXPECT_EQ(HashIgnoringCase("Foo.OBJ"), HashIgnoringCase("foo.obj"));
  const std::string wide = Narrow("ア");
  EXPECT_EQ(HashIgnoringCase(wide + "X"), HashIgnoringCase(wide + "x"));
  EXPECT_NE(HashIgnoringCase("foo.obj"), HashIgnoringCase("foo.ob"));
}

TEST(SetCommandLine, PrefixesInAnyOrder) {
  CommandLine line;
  EXPECT_EQ(line.SetCommandLine("@-copy a b", "", "", InlineKind::None), 0);
  EXPECT_EQ(line.text, "copy a b");
  EXPECT_TRUE(line.Silent());
  EXPECT_TRUE(line.IgnoreError());

  CommandLine spaced;
  EXPECT_EQ(spaced.SetCommandLine("- @ copy a b", "", "", InlineKind::None), 0);
  EXPECT_EQ(spaced.text, "copy a b");
  EXPECT_TRUE(spaced.Silent());
  EXPECT_TRUE(spaced.IgnoreError());

  CommandLine bang;
  EXPECT_EQ(bang.SetCommandLine("!echo x", "", "", InlineKind::None), 0);
  EXPECT_EQ(bang.text, "!echo x");
  EXPECT_EQ(bang.flags, 0u);

  CommandLine lone;
  EXPECT_EQ(lone.SetCommandLine("@", "", "", InlineKind::None), 1);
  EXPECT_EQ(lone.text, "");
  EXPECT_TRUE(lone.Silent());

  CommandLine withFile;
  withFile.SetCommandLine("link @", "out.txt", "a.obj\n", InlineKind::Named);
  EXPECT_EQ(withFile.inlineKind, InlineKind::Named);
  EXPECT_EQ(withFile.inlineFileName, "out.txt");
  EXPECT_EQ(withFile.inlineContent, "a.obj\n");
}

TEST(CommandList, Operations) {
  CommandList list;
  CommandLine line;
  line.text = "one";
  EXPECT_EQ(list.Append(line), 0u);
  line.text = "two";
  EXPECT_EQ(list.Append(line), 1u);
  list.AppendCopies(list);
  ASSERT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.Line(3).text, "two");
  line.text = "new";
  EXPECT_TRUE(list.ReplaceLine(0, line));
  EXPECT_FALSE(list.ReplaceLine(4, line));
  EXPECT_EQ(list.Line(0).text, "new");
  CommandList other;
  other.ReplaceWithCopies(list);
  EXPECT_EQ(other.Count(), 4u);
  EXPECT_EQ(other.State(), BuildState::NotStarted);
}

}  // namespace
}  // namespace engine
