// Path parts and name tokens. (Case folding is held by the model's
// FindTarget test and command prefixes by the reader's command blocks.)
#include <gtest/gtest.h>

#include <string>
#include <string_view>

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

}  // namespace
}  // namespace engine
