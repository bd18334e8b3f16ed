// Special macros, the path parts and name tokens they are made of. (Case
// folding is held by the model's FindTarget test and command prefixes by the
// reader's command blocks.)
#include "engine/special_macros.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <tuple>

#include "engine/name_token.h"
#include "engine/path_parts.h"
#include "engine/special_macro_scanner.h"
#include "engine/target_model.h"
#include "model_test_support.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

class SpecialMacros : public test::FileFixture {
 protected:
  // A one-line model of `target` with `dependents`. (Expanding inline
  // content is held by the local build tests.)
  void Target(const std::string& target, const std::string& dependents = "") {
    test::Line(model_, target, dependents, {"x"});
  }

  std::string Expand(const std::string& target, const std::string& text, bool buildAll = false) {
    return ExpandSpecialMacros(*model_.FindTarget(NativePath(target)), NativePath(text), buildAll);
  }

  TargetModel model_;
};

// Every form as a command shows it is held by the special macro forms test;
// these are the cases that it does not reach.
TEST_F(SpecialMacros, EachFormOfEachMacro) {
  const std::pair<const char*, int> files[] = {{"t.exe", 50},     {"old.obj", 100}, {"lib\\new.obj", 10},
                                               {"same.obj", 50},  {"src\\a.c", 100}, {"a.h", 100},
                                               {"a.obj", 50},     {"newer.h", 10},  {"a2.obj", 50}};
  for (const auto& [name, age] : files) MakeFile(name, age);
  std::filesystem::create_directories(Scratch().path() / "sub");
  for (const char* target : {"t.obj", "c.obj", "foo.obj"}) Target(target);
  Target("t.exe", "old.obj lib\\new.obj same.obj gone.obj");
  Target("a.obj", "src\\a.c a.h");
  Target("a2.obj", "src\\a.c newer.h");
  Target("b.obj", "src\\a.c");
  // The target, the text, whether all is built, and the text expanded.
  const std::tuple<const char*, const char*, bool, std::string> cases[] = {
      {"t.obj", "a $(@) b", false, "a $(@) b"},
      {"t.obj", "^$@ $$@", false, "^$@ \"t.obj\""},
      {"t.obj", "echo $x $@", false, "echo $x $@"},
      {"t.obj", "$(CC) $@", false, "$(CC) \"t.obj\""},
      // Newer or missing only; equal times are up to date.
      {"t.exe", "$?", false, NativePath("lib\\new.obj gone.obj")},
      {"t.exe", "$?", true, NativePath("old.obj lib\\new.obj same.obj gone.obj")},
      // The first dependent only when out of date, or with build all; a
      // later dependent that is newer makes the first one count.
      {"a.obj", "cc $<", false, "cc "},
      {"a.obj", "cc $<", true, NativePath("cc .\\src\\a.c")},
      {"a2.obj", "cc $<", false, NativePath("cc .\\src\\a.c")},
      {"b.obj", "$<", false, NativePath(".\\src\\a.c")},
      {"c.obj", "[$<]", false, "[]"},
      {"foo.obj", "$*.c", false, "foo.c"},
  };
  for (const auto& [target, text, buildAll, expanded] : cases) {
    EXPECT_EQ(Expand(target, text, buildAll), expanded) << target << " " << text;
  }
  std::filesystem::create_directories(Scratch().path() / "other");
  std::filesystem::current_path(Scratch().path() / "sub");
  Target("..\\other\\bar.obj");
  EXPECT_EQ(Expand("..\\other\\bar.obj", "$*"), NativePath("..\\other\\bar"));
}

using Kind = SpecialMacroKind;
using Modifier = MacroModifier;

// The forms that expansion shows whole are held by the expansion tests.
TEST(ScanSpecialMacro, Tokens) {
  // In code page 932 the second byte of this character is '^'.
  const std::string trail = Narrow("タ");
  // The text, and where the token starts, its length, kind and modifier.
  const std::tuple<std::string, size_t, size_t, Kind, Modifier> cases[] = {
      {"x ${*B}", 2, 5, Kind::TargetBase, Modifier::BaseName},
      {"$(?R)", 0, 5, Kind::NewerDependents, Modifier::Root},
      {"$(<F}", 0, 5, Kind::FirstDependent, Modifier::FileName},
      // Either closer closes either opener.
      {"$(@D}", 0, 5, Kind::Target, Modifier::Directory},
      {"${@D)", 0, 5, Kind::Target, Modifier::Directory},
      // Modifiers are upper case only; anything else in that place means none.
      {"$(@x)", 0, 5, Kind::Target, Modifier::None},
      // Unclosed: the ')' takes the modifier place and nothing closes after it.
      {"$(@) x", 0, 4, Kind::NotSpecial, Modifier::None},
      {"$(**) x", 0, 5, Kind::NotSpecial, Modifier::None},
      {"$(@", 0, 3, Kind::NotSpecial, Modifier::None},
      // Escapes, doubled dollars, and a trail byte that is no escape.
      {"^$@ $*", 4, 2, Kind::TargetBase, Modifier::None},
      {"a $$(@F)", 2, 6, Kind::Target, Modifier::FileName},
      {trail + "$@", trail.size(), 2, Kind::Target, Modifier::None},
      // An unknown character after '$' ends the scan, even with tokens later.
      {"", 0, 0, Kind::EndOfScan, Modifier::None},
      {"$", 0, 0, Kind::EndOfScan, Modifier::None},
      {"no tokens", 0, 0, Kind::EndOfScan, Modifier::None},
      {"cost 5$", 0, 0, Kind::EndOfScan, Modifier::None},
  };
  for (const auto& [text, start, length, kind, modifier] : cases) {
    SCOPED_TRACE(text);
    const SpecialMacroToken token = ScanSpecialMacro(text);
    EXPECT_EQ(token.kind, kind);
    if (kind == Kind::EndOfScan) continue;
    EXPECT_EQ(token.start, start);
    EXPECT_EQ(token.length, length);
    EXPECT_EQ(token.modifier, modifier);
  }
  // The scan goes on after the stepped-over "$(".
  const SpecialMacroToken next = ScanSpecialMacro("CC) $@");
  EXPECT_EQ(next.kind, Kind::Target);
  EXPECT_EQ(next.start, 4u);
}

TEST(SplitPath, PartsAndModifiers) {
  // In code page 932 the second byte of 表 is a backslash: no separator.
  const std::string table = Narrow("表");
  // Each path, its parts as "directory|base|extension", and the path with
  // the Root modifier.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"tool", "|tool|", "tool"},
      // A dot in a directory name is no extension; the last dot counts.
      {NativePath("a.b\\c"), "a.b|c|", NativePath("a.b\\c")},
      {"x.tar.gz", "|x.tar|.gz", "x.tar"},
      {NativePath("dir\\") + table + ".c", "dir|" + table + "|.c", NativePath("dir\\") + table},
  };
  for (const auto& [path, expected, root] : cases) {
    const PathParts parts = SplitPath(path);
    EXPECT_EQ(parts.directory + "|" + parts.base + "|" + parts.extension, expected);
    EXPECT_EQ(ApplyModifier(MacroModifier::None, path), path);
    EXPECT_EQ(ApplyModifier(MacroModifier::Directory, path), parts.directory);
    EXPECT_EQ(ApplyModifier(MacroModifier::BaseName, path), parts.base);
    EXPECT_EQ(ApplyModifier(MacroModifier::FileName, path), parts.base + parts.extension);
    EXPECT_EQ(ApplyModifier(MacroModifier::Root, path), root);
  }
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
