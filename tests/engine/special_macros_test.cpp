#include "engine/special_macros.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/target_model.h"
#include "file_fixture.h"
#include "model_test_support.h"
#include "platform/directory.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using testing_support::NativePath;

class SpecialMacros : public test::FileFixture {
 protected:
  // The node `target` of a one-line model with `dependents`.
  TargetNode& Target(const std::string& target, const std::string& dependents = "") {
    test::Line(model_, target, dependents, {"x"});
    return *model_.FindTarget(NativePath(target));
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
  for (const auto& [name, age] : std::vector<std::pair<std::string, int>>{{"obj\\foo.obj", 10},
                                                                           {"t.exe", 50},
                                                                           {"old.obj", 100},
                                                                           {"lib\\new.obj", 10},
                                                                           {"same.obj", 50},
                                                                           {"src\\a.c", 100},
                                                                           {"a.h", 100},
                                                                           {"a.obj", 50},
                                                                           {"newer.h", 10},
                                                                           {"a2.obj", 50}}) {
    MakeFile(name, age);
  }
  Target("obj\\foo.obj");
  Target("fresh.obj");
  Target("t.obj");
  Target("t.exe", "old.obj lib\\new.obj same.obj gone.obj");
  Target("q.exe", "\"my file.obj\" b.obj");
  Target("a.obj", "src\\a.c a.h");
  Target("a2.obj", "src\\a.c newer.h");
  Target("b.obj", "src\\a.c");
  Target("c.obj");
  const struct {
    const char* target;
    const char* text;
    bool buildAll;
    std::string expanded;
  } cases[] = {
      {"obj\\foo.obj", "$@", false, Quoted(Here("obj\\foo.obj"))},
      {"obj\\foo.obj", "$(@D)", false, Quoted(Here("obj"))},
      {"obj\\foo.obj", "$(@F) $(@B)", false, "\"foo.obj\" \"foo\""},
      {"obj\\foo.obj", "${@R}", false, Quoted(Here("obj\\foo"))},
      // A target that does not exist yet is named as written.
      {"fresh.obj", "cc -o $@", false, "cc -o \"fresh.obj\""},
      {"t.obj", "a $(@) b", false, "a $(@) b"},
      {"t.obj", "$(@d) $(@F}", false, "\"t.obj\" \"t.obj\""},
      {"t.obj", "^$@ $$@", false, "^$@ \"t.obj\""},
      {"t.obj", "$$@ ^$@", false, "\"t.obj\" ^$@"},
      {"t.obj", "echo $x $@", false, "echo $x $@"},
      {"t.obj", "$(CC) $@", false, "$(CC) \"t.obj\""},
      {"t.exe", "link $**", false, NativePath("link old.obj lib\\new.obj same.obj gone.obj")},
      {"t.exe", "$(**F)", false, "old.obj new.obj same.obj gone.obj"},
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
  };
  for (const auto& c : cases) EXPECT_EQ(Expand(c.target, c.text, c.buildAll), c.expanded) << c.target << " " << c.text;
}

TEST_F(SpecialMacros, TargetBaseIsRelativeToTheCurrentDirectory) {
  std::filesystem::create_directories(Scratch().path() / "sub");
  std::filesystem::create_directories(Scratch().path() / "other");
  Target("sub\\foo.obj");
  Target("foo.obj");
  EXPECT_EQ(Expand("sub\\foo.obj", "$*"), NativePath(".\\sub\\foo"));
  EXPECT_EQ(Expand("sub\\foo.obj", "$(*F)"), "foo");
  EXPECT_EQ(Expand("sub\\foo.obj", "$(*D)"), NativePath(".\\sub"));
  EXPECT_EQ(Expand("sub\\foo.obj", "$(*B)"), "foo");
  EXPECT_EQ(Expand("sub\\foo.obj", "$(*R)"), NativePath(".\\sub\\foo"));
  EXPECT_EQ(Expand("foo.obj", "$*.c"), "foo.c");

  std::filesystem::current_path(Scratch().path() / "sub");
  Target("..\\other\\bar.obj");
  EXPECT_EQ(Expand("..\\other\\bar.obj", "$*"), NativePath("..\\other\\bar"));
}

TEST_F(SpecialMacros, RelativeDirectory) {
  std::filesystem::create_directories(Scratch().path() / "sub" / "deep");
  EXPECT_EQ(RelativeDirectory(platform::WorkingDirectory(), true), "");
  EXPECT_EQ(RelativeDirectory(Here("sub\\deep"), true), NativePath(".\\sub\\deep\\"));
  EXPECT_EQ(RelativeDirectory(Here("sub\\deep"), false), NativePath(".\\sub\\deep"));
  std::filesystem::current_path(Scratch().path() / "sub");
  EXPECT_EQ(RelativeDirectory(platform::FullPath(NativePath("..\\other")), true), NativePath("..\\other\\"));
  EXPECT_EQ(RelativeDirectory(Here("..\\other\\.\\x"), true), NativePath("..\\other\\x\\"));
  // Relative or empty directories come back as they are.
  EXPECT_EQ(RelativeDirectory("rel", true), NativePath("rel\\"));
  EXPECT_EQ(RelativeDirectory("rel", false), "rel");
  EXPECT_EQ(RelativeDirectory("", true), "");
}

TEST_F(SpecialMacros, ExpandTargetCommandsCoversInlineContent) {
  test::Line(model_, "out.txt", "in.txt");
  TargetNode& node = *model_.FindTarget("out.txt");
  CommandLine withFile;
  withFile.SetCommandLine("type @", "", "$@ from $**\n", InlineKind::Temporary);
  node.commands->Append(withFile);
  CommandLine plain;
  plain.SetCommandLine("@echo $@", "", "$@ kept", InlineKind::None);
  node.commands->Append(plain);
  ExpandTargetCommands(node, false);
  EXPECT_EQ(node.commands->Line(0).inlineContent, "\"out.txt\" from in.txt\n");
  EXPECT_EQ(node.commands->Line(1).text, "echo \"out.txt\"");
  EXPECT_TRUE(node.commands->Line(1).Silent());
  EXPECT_EQ(node.commands->Line(1).inlineContent, "$@ kept");
}

}  // namespace
}  // namespace engine
