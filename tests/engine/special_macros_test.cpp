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

TEST_F(SpecialMacros, TargetPathForms) {
  MakeFile("obj\\foo.obj", 10);
  Target("obj\\foo.obj");
  EXPECT_EQ(Expand("obj\\foo.obj", "$@"), Quoted(Here("obj\\foo.obj")));
  EXPECT_EQ(Expand("obj\\foo.obj", "$(@D)"), Quoted(Here("obj")));
  EXPECT_EQ(Expand("obj\\foo.obj", "$(@F)"), "\"foo.obj\"");
  EXPECT_EQ(Expand("obj\\foo.obj", "$(@B)"), "\"foo\"");
  EXPECT_EQ(Expand("obj\\foo.obj", "${@R}"), Quoted(Here("obj\\foo")));
  // A target that does not exist yet is named as written.
  Target("new.obj");
  EXPECT_EQ(Expand("new.obj", "cc -o $@"), "cc -o \"new.obj\"");
}

TEST_F(SpecialMacros, TokenSyntaxCorners) {
  Target("t.obj");
  EXPECT_EQ(Expand("t.obj", "a $(@) b"), "a $(@) b");
  EXPECT_EQ(Expand("t.obj", "$(@d)"), "\"t.obj\"");
  EXPECT_EQ(Expand("t.obj", "$(@F}"), "\"t.obj\"");
  EXPECT_EQ(Expand("t.obj", "^$@ $$@"), "^$@ \"t.obj\"");
  EXPECT_EQ(Expand("t.obj", "$$@ ^$@"), "\"t.obj\" ^$@");
  EXPECT_EQ(Expand("t.obj", "echo $x $@"), "echo $x $@");
  EXPECT_EQ(Expand("t.obj", "$(CC) $@"), "$(CC) \"t.obj\"");
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

TEST_F(SpecialMacros, DependentLists) {
  MakeFile("t.exe", 50);
  MakeFile("old.obj", 100);
  MakeFile("new.obj", 10);
  MakeFile("same.obj", 50);
  Target("t.exe", "old.obj lib\\new.obj same.obj gone.obj");
  MakeFile("lib\\new.obj", 10);
  EXPECT_EQ(Expand("t.exe", "link $**"), NativePath("link old.obj lib\\new.obj same.obj gone.obj"));
  EXPECT_EQ(Expand("t.exe", "$(**F)"), "old.obj new.obj same.obj gone.obj");
  // Newer or missing only; equal times are up to date.
  EXPECT_EQ(Expand("t.exe", "$?"), NativePath("lib\\new.obj gone.obj"));
  EXPECT_EQ(Expand("t.exe", "$(?B)"), "new gone");
  EXPECT_EQ(Expand("t.exe", "$?", true), NativePath("old.obj lib\\new.obj same.obj gone.obj"));
}

TEST_F(SpecialMacros, DependentListQuotesNamesWithBlanks) {
  Target("t.exe", "\"my file.obj\" b.obj");
  EXPECT_EQ(Expand("t.exe", "$**"), "\"my file.obj\" b.obj");
}

TEST_F(SpecialMacros, FirstDependentOnlyWhenOutOfDate) {
  MakeFile("src\\a.c", 100);
  MakeFile("a.h", 100);
  MakeFile("a.obj", 50);
  Target("a.obj", "src\\a.c a.h");
  EXPECT_EQ(Expand("a.obj", "cc $<"), "cc ");
  EXPECT_EQ(Expand("a.obj", "cc $<", true), NativePath("cc .\\src\\a.c"));
  // A later dependent that is newer makes the first one count.
  SetAge("a.h", 10);
  EXPECT_EQ(Expand("a.obj", "cc $<"), NativePath("cc .\\src\\a.c"));
  EXPECT_EQ(Expand("a.obj", "$(<F) $(<B) $(<R)"), NativePath("a.c a .\\src\\a"));
  // A target that is missing.
  Target("b.obj", "src\\a.c");
  EXPECT_EQ(Expand("b.obj", "$<"), NativePath(".\\src\\a.c"));
  Target("c.obj");
  EXPECT_EQ(Expand("c.obj", "[$<]"), "[]");
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
