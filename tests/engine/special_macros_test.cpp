#include "engine/special_macros.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/special_macro_scanner.h"
#include "engine/target_model.h"
#include "model_test_support.h"
#include "platform/directory.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

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

  std::string Here(const std::string& path) const {
    return platform::WorkingDirectory() + NativePath("\\" + path);
  }

  static std::string Quoted(const std::string& text) { return std::string(1, '"').append(text).append(1, '"'); }

  TargetModel model_;
};

TEST_F(SpecialMacros, EachFormOfEachMacro) {
  const std::pair<const char*, int> files[] = {
      {"obj\\foo.obj", 10}, {"t.exe", 50}, {"old.obj", 100}, {"lib\\new.obj", 10}, {"same.obj", 50},
      {"src\\a.c", 100},    {"a.h", 100},  {"a.obj", 50},    {"newer.h", 10},       {"a2.obj", 50}};
  for (const auto& [name, age] : files) MakeFile(name, age);
  std::filesystem::create_directories(Scratch().path() / "sub");
  for (const char* target : {"obj\\foo.obj", "fresh.obj", "t.obj", "c.obj", "sub\\foo.obj", "foo.obj"}) Target(target);
  Target("t.exe", "old.obj lib\\new.obj same.obj gone.obj");
  Target("q.exe", "\"my file.obj\" b.obj");
  Target("a.obj", "src\\a.c a.h");
  Target("a2.obj", "src\\a.c newer.h");
  Target("b.obj", "src\\a.c");
  const struct {
    const char* target;
    const char* text;
    bool buildAll;
    std::string expanded;
  } cases[] = {
      {"obj\\foo.obj", "$@", false, Quoted(Here("obj\\foo.obj"))},
      {"obj\\foo.obj", "$(@F) $(@B)", false, "\"foo.obj\" \"foo\""},
      {"obj\\foo.obj", "${@R}", false, Quoted(Here("obj\\foo"))},
      // A target that does not exist yet is named as written.
      {"fresh.obj", "cc -o $@", false, "cc -o \"fresh.obj\""},
      {"t.obj", "a $(@) b", false, "a $(@) b"},
      {"t.obj", "^$@ $$@", false, "^$@ \"t.obj\""},
      {"t.obj", "echo $x $@", false, "echo $x $@"},
      {"t.obj", "$(CC) $@", false, "$(CC) \"t.obj\""},
      {"t.exe", "link $**", false, NativePath("link old.obj lib\\new.obj same.obj gone.obj")},
      // Newer or missing only; equal times are up to date.
      {"t.exe", "$?", false, NativePath("lib\\new.obj gone.obj")},
      {"t.exe", "$(?B)", false, "new gone"},
      {"t.exe", "$?", true, NativePath("old.obj lib\\new.obj same.obj gone.obj")},
      {"q.exe", "$**", false, "\"my file.obj\" b.obj"},
      // The first dependent only when out of date, or with build all; a
      // later dependent that is newer makes the first one count.
      {"a.obj", "cc $<", false, "cc "},
      {"a.obj", "cc $<", true, NativePath("cc .\\src\\a.c")},
      {"a2.obj", "cc $<", false, NativePath("cc .\\src\\a.c")},
      {"a2.obj", "$(<F) $(<B) $(<R)", false, NativePath("a.c a .\\src\\a")},
      {"b.obj", "$<", false, NativePath(".\\src\\a.c")},
      {"c.obj", "[$<]", false, "[]"},
      // The target's base is relative to the current directory.
      {"sub\\foo.obj", "$* $(*F) $(*D) $(*B) $(*R)", false, NativePath(".\\sub\\foo foo .\\sub foo .\\sub\\foo")},
      {"foo.obj", "$*.c", false, "foo.c"},
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.target, c.text, c.buildAll), c.expanded) << c.target << " " << c.text;
  std::filesystem::create_directories(Scratch().path() / "other");
  std::filesystem::current_path(Scratch().path() / "sub");
  Target("..\\other\\bar.obj");
  EXPECT_EQ(Expand("..\\other\\bar.obj", "$*"), NativePath("..\\other\\bar"));
}

using Kind = SpecialMacroKind;
using Modifier = MacroModifier;

// The forms that expansion shows whole are held by EachFormOfEachMacro.
TEST(ScanSpecialMacro, Tokens) {
  // In code page 932 the second byte of this character is '^'.
  const std::string trail = testing_support::Narrow("タ");
  const struct {
    std::string text;
    size_t start;
    size_t length;
    Kind kind;
    Modifier modifier;
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SpecialMacroToken token = ScanSpecialMacro(c.text);
    EXPECT_EQ(token.kind, c.kind);
    if (c.kind == Kind::EndOfScan) continue;
    EXPECT_EQ(token.start, c.start);
    EXPECT_EQ(token.length, c.length);
    EXPECT_EQ(token.modifier, c.modifier);
  }
  // The scan goes on after the stepped-over "$(".
  const SpecialMacroToken next = ScanSpecialMacro("CC) $@");
  EXPECT_EQ(next.kind, Kind::Target);
  EXPECT_EQ(next.start, 4u);
}

}  // namespace
}  // namespace engine
