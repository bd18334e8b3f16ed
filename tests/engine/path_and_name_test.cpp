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

TEST(SplitPath, PartsAndModifiers) {
  // In code page 932 the second byte of 表 is a backslash: no separator.
  const std::string table = Narrow("表");
  const struct {
    std::string path;
    std::string parts;  // "directory|base|extension"
    std::string root;   // with the Root modifier
  } cases[] = {
      {NativePath("C:\\w\\obj\\foo.obj"), NativePath("C:\\w\\obj|foo|.obj"), NativePath("C:\\w\\obj\\foo")},
      {"tool", "|tool|", "tool"},
      // A dot in a directory name is no extension; the last dot counts.
      {NativePath("a.b\\c"), "a.b|c|", NativePath("a.b\\c")},
      {"x.tar.gz", "|x.tar|.gz", "x.tar"},
      {NativePath("dir\\") + table + ".c", "dir|" + table + "|.c", NativePath("dir\\") + table},
  };
  for (const auto& c : cases) {
    const PathParts parts = SplitPath(c.path);
    EXPECT_EQ(parts.directory + "|" + parts.base + "|" + parts.extension, c.parts);
    EXPECT_EQ(ApplyModifier(MacroModifier::None, c.path), c.path);
    EXPECT_EQ(ApplyModifier(MacroModifier::Directory, c.path), parts.directory);
    EXPECT_EQ(ApplyModifier(MacroModifier::BaseName, c.path), parts.base);
    EXPECT_EQ(ApplyModifier(MacroModifier::FileName, c.path), parts.base + parts.extension);
    EXPECT_EQ(ApplyModifier(MacroModifier::Root, c.path), c.root);
  }
  EXPECT_EQ(LastPathComponent(table), table);
}

// Every name of `text`, each followed by '|'.
TEST(ReadNameToken, BlanksTabsAndQuotes) {
  const std::pair<std::string, std::string> cases[] = {
      {"  a.c\tb.c   c.c ", "a.c|b.c|c.c|"},
      {"\"my file.obj\" x.c", "my file.obj|x.c|"},
      {"\"say \\\"hi\\\"\"", "say \"hi\"|"},
      {"\"\" a b", ""},  // an empty quoted name ends a list
      {"\"open a", "\"open|a|"},  // an unclosed quote starts an ordinary name
      {"\"q\"rest", "q|rest|"},
      // 表 ends in the byte of a backslash in code page 932, which must not
      // escape the closing quote.
      {"\"" + Narrow("表") + "\"rest", Narrow("表") + "|rest|"},
  };
  for (const auto& [text, names] : cases) {
    std::string_view rest = text;
    std::string read;
    for (std::string name; !(name = ReadNameToken(rest)).empty();) read += name + "|";
    EXPECT_EQ(read, names) << text;
  }
}

TEST(FoldCase, SingleByteLettersOnlyAndTheHashAgrees) {
  EXPECT_TRUE(EqualsIgnoringCase("Foo.OBJ", "foo.obj"));
  EXPECT_FALSE(EqualsIgnoringCase("foo.obj", "foo.ob"));
  // The trail byte of ア in code page 932 is 'A'; folding must leave it.
  const std::string wide = Narrow("ア");
  EXPECT_EQ(FoldCase(wide), wide);
  EXPECT_FALSE(EqualsIgnoringCase(wide, Narrow("ャ")));
  // A letter after a double-byte character still folds.
  EXPECT_EQ(FoldCase(wide + "X"), wide + "x");
  EXPECT_TRUE(EqualsIgnoringCase(wide + "X", wide + "x"));
  // The hash agrees with the comparison.
  EXPECT_EQ(HashIgnoringCase("Foo.OBJ"), HashIgnoringCase("foo.obj"));
  EXPECT_EQ(HashIgnoringCase(wide + "X"), HashIgnoringCase(wide + "x"));
  EXPECT_NE(HashIgnoringCase("foo.obj"), HashIgnoringCase("foo.ob"));
  EXPECT_NE(HashIgnoringCase("foo.obj"), HashIgnoringCase("goo.obj"));  // every byte counts
}

TEST(SetCommandLine, PrefixesInAnyOrder) {
  const struct {
    const char* text;
    int result;
    const char* stored;
    bool silent;
    bool ignoreError;
  } cases[] = {
      {"@-copy a b", 0, "copy a b", true, true},
      {"- @ copy a b", 0, "copy a b", true, true},
      {"!echo x", 0, "!echo x", false, false},
      {"@", 1, "", true, false},
  };
  for (const auto& c : cases) {
    CommandLine line;
    EXPECT_EQ(line.SetCommandLine(c.text, "", "", InlineKind::None), c.result) << c.text;
    EXPECT_EQ(line.text, c.stored);
    EXPECT_EQ(line.Silent(), c.silent) << c.text;
    EXPECT_EQ(line.IgnoreError(), c.ignoreError) << c.text;
  }
}

}  // namespace
}  // namespace engine
