#include "engine/target_walker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>

#include "engine/build_engine.h"
#include "model_test_support.h"

namespace engine {
namespace {

using Strings = std::vector<std::string>;
using test::Numbered;

// A model, its walker, and how often the walk read each file's status.
struct Scene {
  std::map<std::string, int> reads;
  TargetModel model;
  TargetWalker walker{model, [this](const std::string& name) {
                        ++reads[name];
                        return platform::FindFileStatus(name);
                      }};

  void Lines(const Strings& lines) { test::Lines(model, lines); }
  // Walks from `target` (empty: the default target).
  void Begin(const std::string& target = "", bool buildAll = false) {
    walker.Begin(target.empty() ? std::vector<TargetNode*>{} : std::vector{model.SelectStartTarget(target)},
                 {buildAll, false});
  }
};

class Walk : public test::FileFixture {
 protected:
  // Runs the walk as a serial build does. Building a target writes its
  // file, newer than anything made before the run, unless it is `silent`;
  // `failing` targets' commands fail. Gives the final status and the
  // targets built, in order.
  std::pair<WalkStatus, std::string> Run(Scene& scene, const std::set<std::string>& failing = {},
                                         const std::set<std::string>& silent = {}) {
    std::string built;
    for (int guard = 0; guard < 100000; ++guard) {
      const WalkResult result = scene.walker.Next();
      if (result.status != WalkStatus::Selected) return {result.status, built};
      TargetNode* target = result.target;
      built += (built.empty() ? "" : " ") + target->name;
      if (!failing.count(target->name) && !silent.count(target->name)) MakeFile(target->name, 0);
      scene.walker.Finish(*target, failing.count(target->name) ? TargetOutcome::Failed : TargetOutcome::Done);
    }
    ADD_FAILURE() << "the walk did not end";
    return {WalkStatus::Blocked, built};
  }
};

TEST_F(Walk, WhatIsBuiltAndWhere) {
  const std::string sharedLines =
      "all: one.exe two.exe; one.exe: shared.obj = link one; two.exe: shared.obj = link two; "
      "shared.obj: shared.src = cc shared";
  std::string veryDeep;  // needs no deep stack
  for (int i = 0; i < 50000; ++i) veryDeep += Numbered("g", i) + ": " + Numbered("g", i + 1) + "; ";
  veryDeep += "g50000: = echo";
  // Files "name:age", failing and silent targets separated by blanks.
  const struct {
    const char* files;
    std::string lines;  // separated by "; "
    std::string target;
    bool buildAll;
    const char* failing;
    const char* silent;
    int count;  // CountOutOfDate before the walk
    WalkStatus status;
    std::string built;
    std::string missing;
  } cases[] = {
      // Equal times are up to date, one second newer is not.
      {"a.obj:10 a.c:10 b.obj:10 b.c:9", "all: a.obj b.obj; a.obj: a.c = cc a; b.obj: b.c = cc b", "", false, "", "", 1,
       WalkStatus::Finished, "b.obj", ""},
      {"a.c:10 b.c:10", "app.exe: a.obj b.obj = link; a.obj: a.c = cc a; b.obj: b.c = cc b", "", false, "", "", 3,
       WalkStatus::Finished, "a.obj b.obj app.exe", ""},
      {"there.c:10", "all: first.obj second.obj; first.obj: there.c = cc; second.obj: gone.c = cc", "", false, "", "",
       2, WalkStatus::MissingFile, "first.obj", "gone.c"},
      // Commands without dependents run once per run.
      {"stamp:10", "stamp: = touch stamp", "", false, "", "", 1, WalkStatus::Finished, "stamp", ""},
      // A grouping target is never given back.
      {"", "all: a b; a: = echo a; b: = echo b", "", false, "", "a b", 2, WalkStatus::Finished, "a b", ""},
      // A target that leaves no file does not rebuild its parent.
      {"out.txt:10", "out.txt: phony = copy; phony: = echo", "", false, "", "phony", 2, WalkStatus::Settled, "phony",
       ""},
      {"shared.src:30 shared.obj:20 one.exe:10 two.exe:10", sharedLines, "", false, "", "", 0, WalkStatus::Finished, "",
       ""},
      {"shared.src:5 shared.obj:20 one.exe:10 two.exe:10", sharedLines, "", false, "", "", 3, WalkStatus::Finished,
       "shared.obj one.exe two.exe", ""},
      // Build all rebuilds targets with an existing dependent; the count
      // cannot know that nothing.h leaves no file behind.
      {"a.c:30 a.obj:10 b.obj:10", "all: a.obj b.obj; a.obj: a.c = cc a; b.obj: nothing.h = cc b; nothing.h: = echo",
       "", true, "", "nothing.h", 3, WalkStatus::Finished, "a.obj nothing.h", ""},
      // A named deep target builds only its own dependents.
      {"a.c:10", "app.exe: a.obj = link; a.obj: a.c = cc", "A.OBJ", false, "", "", 1, WalkStatus::Finished, "a.obj",
       ""},
      // A failed target blocks what depends on it and never makes it a
      // missing file; the walk goes on beside it.
      {"bad.c:10 good.c:10",
       "all: top.exe good.obj; top.exe: bad.obj = link; bad.obj: bad.c = cc bad; good.obj: good.c = cc good", "", false,
       "bad.obj", "", 3, WalkStatus::Blocked, "bad.obj good.obj", ""},
      // A cycle does not hang the walk.
      {"", "all: a; a: b = make a; b: a = make b", "", false, "", "", 2, WalkStatus::Blocked, "", ""},
      {"", veryDeep, "", false, "", "g50000", 1, WalkStatus::Finished, "g50000", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.substr(0, 60));
    for (const auto& entry : std::filesystem::directory_iterator(".")) std::filesystem::remove_all(entry.path());
    for (const std::string& file : testing_support::Words(c.files))
      MakeFile(file.substr(0, file.find(':')), std::stoi(file.substr(file.find(':') + 1)));
    Scene scene;
    scene.Lines(testing_support::Split(c.lines, "; "));
    scene.Begin(c.target, c.buildAll);
    EXPECT_EQ(scene.walker.CountOutOfDate(), c.count);
    const std::vector<std::string> failing = testing_support::Words(c.failing);
    const std::vector<std::string> silent = testing_support::Words(c.silent);
    const auto [status, built] = Run(scene, {failing.begin(), failing.end()}, {silent.begin(), silent.end()});
    EXPECT_EQ(status, c.status);
    EXPECT_TRUE(built == c.built) << built.substr(0, 100);
    if (status == WalkStatus::MissingFile) {
      EXPECT_EQ(scene.walker.LastMissingFile(), c.missing);
    }
  }
}

TEST_F(Walk, TimesCompareBelowTheSecond) {
  // How many nanoseconds after its target each source was saved (100 ns is
  // the finest step every file system here keeps).
  const std::pair<std::string, std::int64_t> cases[] = {
      {"half.obj", 500000000}, {"micro.obj", 1000}, {"same.obj", 0}, {"before.obj", -1000}};
  Strings lines = {"all:"};
  for (const auto& [name, later] : cases) {
    const std::string source = name + ".c";
    MakeFile(name, 10);
    MakeFile(source, 10);
    const platform::FileStatus target = platform::PathStatus(name);
    ASSERT_TRUE(platform::SetModifiedTime(source, target.modified * 1000000000 + target.nanoseconds + later));
    lines.push_back(name + ": " + source + " = cc");
    lines[0] += " " + name;
  }
  Scene scene;
  scene.Lines(lines);
  EXPECT_EQ(Run(scene), std::make_pair(WalkStatus::Finished, std::string("half.obj micro.obj")));
}

TEST_F(Walk, EachFileIsReadOnceUnlessItWasBuilt) {
  for (const char* source : {"common.h", "a.c", "b.c"}) MakeFile(source, 30);
  for (const char* object : {"a.obj", "b.obj"}) MakeFile(object, 20);
  MakeFile("app.exe", 10);
  Scene upToDate;
  upToDate.Lines(
      {"all: app.exe", "app.exe: a.obj b.obj = link", "a.obj: a.c common.h = cc a", "b.obj: b.c common.h = cc b"});
  EXPECT_EQ(Run(upToDate).second, "");
  const std::map<std::string, int> once{{"all", 1}, {"app.exe", 1}, {"a.obj", 1},   {"b.obj", 1},
                                        {"a.c", 1}, {"b.c", 1},     {"common.h", 1}};
  EXPECT_EQ(upToDate.reads, once);

  // gen.h is older than both its parents until its commands rewrite it;
  // the count reads it before the walk does.
  MakeFile("gen.in", 5);
  MakeFile("gen.h", 30);
  MakeFile("one.obj", 10);
  MakeFile("two.obj", 10);
  Scene generated;
  generated.Lines(
      {"all: one.obj two.obj", "one.obj: gen.h = cc one", "two.obj: gen.h = cc two", "gen.h: gen.in = generate"});
  EXPECT_EQ(generated.walker.CountOutOfDate(), 3);
  EXPECT_EQ(Run(generated).second, "gen.h one.obj two.obj");
  EXPECT_EQ(generated.reads["gen.h"], 2);
  EXPECT_EQ(generated.reads["gen.in"], 1);
}

TEST_F(Walk, SpecialMacrosExpandWhenFirstReached) {
  MakeFile("a.c", 10);
  Scene scene;
  scene.Lines({"a.obj: a.c = cc $** -o $(@F)", "stamp: = echo $@"});
  scene.walker.Begin({scene.model.FindTarget("a.obj"), scene.model.FindTarget("stamp")}, {});
  const WalkResult first = scene.walker.Next();
  ASSERT_EQ(first.status, WalkStatus::Selected);
  EXPECT_EQ(scene.model.FindTarget("a.obj")->commands->Line(0).text, "cc a.c -o \"a.obj\"");
  EXPECT_EQ(scene.model.FindTarget("stamp")->commands->Line(0).text, "echo $@");
  scene.walker.Finish(*first.target, TargetOutcome::Done);
  ASSERT_EQ(scene.walker.Next().status, WalkStatus::Selected);
  EXPECT_EQ(scene.model.FindTarget("stamp")->commands->Line(0).text, "echo \"stamp\"");
}

// A build cancelled before it runs starts nothing and fails (a runner that
// cannot start is held by the local build tests).
TEST_F(Walk, ACancelledBuildStartsNoCommand) {
  const BuildSettings settings;
  TargetModel model;
  test::Line(model, "made.txt", "", {"@echo x > made.txt"});
  BuildEngine build(settings, model);
  build.Cancel();
  EXPECT_EQ(build.Run({}), 1);
  EXPECT_FALSE(Exists("made.txt"));
}

}  // namespace
}  // namespace engine
