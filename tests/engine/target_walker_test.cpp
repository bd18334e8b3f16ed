#include "engine/target_walker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "file_fixture.h"
#include "model_test_support.h"

namespace engine {
namespace {

using test::Line;
using Strings = std::vector<std::string>;

std::string Numbered(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

class Walk : public test::FileFixture {
 protected:
  // Runs the walk as the local build does. Building a target writes its
  // file, newer than anything made before the run, unless `writes` says no;
  // `fails` names targets whose commands fail (their state becomes Failed).
  WalkStatus Run(const std::string& targetName = "", bool buildAll = false) {
    for (int guard = 0; guard < 100000; ++guard) {
      const WalkResult result = walker_.NextBuildTarget(targetName, buildAll);
      if (result.status != WalkStatus::Selected) return result.status;
      TargetNode* target = result.target;
      built_.push_back(target->name);
      target->commands->SetState(BuildState::Done);
      if (failing_.count(target->name)) {
        target->commands->SetState(BuildState::Failed);
        continue;
      }
      if (!silentTargets_.count(target->name)) MakeFile(target->name, 0);
    }
    ADD_FAILURE() << "the walk did not end";
    return WalkStatus::Blocked;
  }

  // How often the walk read each file's status.
  std::map<std::string, int> reads_;
  TargetModel model_;
  TargetWalker walker_{model_, [this](const std::string& name) {
                         ++reads_[name];
                         return platform::FindFileStatus(name);
                       }};
  Strings built_;
  std::set<std::string> failing_;
  std::set<std::string> silentTargets_;
};

TEST_F(Walk, EqualTimesAreUpToDateOneSecondNewerIsNot) {
  MakeFile("a.obj", 10);
  MakeFile("a.c", 10);
  MakeFile("b.obj", 10);
  MakeFile("b.c", 9);
  Line(model_, "all", "a.obj b.obj");
  Line(model_, "a.obj", "a.c", {"cc a"});
  Line(model_, "b.obj", "b.c", {"cc b"});
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"b.obj"}));
}

TEST_F(Walk, TimesCompareBelowTheSecond) {
  // How many nanoseconds after its target each source was saved (100 ns is
  // the finest step every file system here keeps).
  const struct {
    const char* target;
    std::int64_t later;
  } cases[] = {{"half.obj", 500000000}, {"micro.obj", 1000}, {"same.obj", 0}, {"before.obj", -1000}};
  std::string all;
  for (const auto& c : cases) {
    const std::string source = std::string(c.target) + ".c";
    MakeFile(c.target, 10);
    MakeFile(source, 10);
    const platform::FileStatus target = platform::PathStatus(c.target);
    ASSERT_TRUE(platform::SetModifiedTime(source, target.modified * 1000000000 + target.nanoseconds + c.later));
    Line(model_, c.target, source, {"cc"});
    all += std::string(" ") + c.target;
  }
  Line(model_, "all", all);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"half.obj", "micro.obj"}));
}

TEST_F(Walk, MissingTargetIsBuiltAfterItsDependents) {
  MakeFile("a.c", 10);
  MakeFile("b.c", 10);
  Line(model_, "app.exe", "a.obj b.obj", {"link"});
  Line(model_, "a.obj", "a.c", {"cc a"});
  Line(model_, "b.obj", "b.c", {"cc b"});
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"a.obj", "b.obj", "app.exe"}));
  EXPECT_EQ(walker_.CountOutOfDate("", false), 0);
}

TEST_F(Walk, MissingPlainDependentStopsTheWalk) {
  MakeFile("there.c", 10);
  Line(model_, "all", "first.obj second.obj");
  Line(model_, "first.obj", "there.c", {"cc"});
  Line(model_, "second.obj", "gone.c", {"cc"});
  EXPECT_EQ(Run(), WalkStatus::MissingFile);
  EXPECT_EQ(walker_.LastMissingFile(), "gone.c");
  EXPECT_EQ(built_, (Strings{"first.obj"}));
  // Asked again, the walk finds the same file missing.
  EXPECT_EQ(Run(), WalkStatus::MissingFile);
}

TEST_F(Walk, CommandsWithoutDependentsRunOncePerRun) {
  MakeFile("stamp", 10);
  Line(model_, "stamp", "", {"touch stamp"});
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"stamp"}));
}

TEST_F(Walk, GroupingTargetIsNeverGivenBack) {
  Line(model_, "all", "a b");
  Line(model_, "a", "", {"echo a"});
  Line(model_, "b", "", {"echo b"});
  silentTargets_ = {"a", "b"};
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"a", "b"}));
}

TEST_F(Walk, TargetThatLeavesNoFileDoesNotRebuildItsParent) {
  MakeFile("out.txt", 10);
  Line(model_, "out.txt", "phony", {"copy"});
  Line(model_, "phony", "", {"echo"});
  silentTargets_ = {"phony"};
  EXPECT_EQ(Run(), WalkStatus::Settled);
  EXPECT_EQ(built_, (Strings{"phony"}));
}

TEST_F(Walk, SharedUpToDateDependentIsNotRebuilt) {
  MakeFile("shared.src", 30);
  MakeFile("shared.obj", 20);
  MakeFile("one.exe", 10);
  MakeFile("two.exe", 10);
  Line(model_, "all", "one.exe two.exe");
  Line(model_, "one.exe", "shared.obj", {"link one"});
  Line(model_, "two.exe", "shared.obj", {"link two"});
  Line(model_, "shared.obj", "shared.src", {"cc shared"});
  EXPECT_EQ(walker_.CountOutOfDate("", false), 0);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_TRUE(built_.empty());
}

TEST_F(Walk, SharedOutOfDateDependentIsBuiltOnce) {
  MakeFile("shared.src", 5);
  MakeFile("shared.obj", 20);
  MakeFile("one.exe", 10);
  MakeFile("two.exe", 10);
  Line(model_, "all", "one.exe two.exe");
  Line(model_, "one.exe", "shared.obj", {"link one"});
  Line(model_, "two.exe", "shared.obj", {"link two"});
  Line(model_, "shared.obj", "shared.src", {"cc shared"});
  EXPECT_EQ(walker_.CountOutOfDate("", false), 3);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"shared.obj", "one.exe", "two.exe"}));
}

TEST_F(Walk, UpToDateRunReadsEachFileOnce) {
  for (const char* source : {"common.h", "a.c", "b.c", "c.c"}) MakeFile(source, 30);
  for (const char* object : {"a.obj", "b.obj", "c.obj"}) MakeFile(object, 20);
  MakeFile("app.exe", 10);
  Line(model_, "all", "app.exe");
  Line(model_, "app.exe", "a.obj b.obj c.obj", {"link"});
  Line(model_, "a.obj", "a.c common.h", {"cc a"});
  Line(model_, "b.obj", "b.c common.h", {"cc b"});
  Line(model_, "c.obj", "c.c common.h", {"cc c"});
  EXPECT_EQ(walker_.CountOutOfDate("", false), 0);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_TRUE(built_.empty());
  const std::map<std::string, int> once{{"all", 1},   {"app.exe", 1}, {"a.obj", 1}, {"b.obj", 1}, {"c.obj", 1},
                                        {"a.c", 1},   {"b.c", 1},     {"c.c", 1},   {"common.h", 1}};
  EXPECT_EQ(reads_, once);
}

TEST_F(Walk, BuiltTargetIsReadAgainAndEveryParentSeesItsNewTime) {
  // gen.h is older than both its parents until its commands rewrite it.
  MakeFile("gen.in", 5);
  MakeFile("gen.h", 30);
  MakeFile("one.obj", 10);
  MakeFile("two.obj", 10);
  Line(model_, "all", "one.obj two.obj");
  Line(model_, "one.obj", "gen.h", {"cc one"});
  Line(model_, "two.obj", "gen.h", {"cc two"});
  Line(model_, "gen.h", "gen.in", {"generate"});
  // The count reads gen.h before the walk does.
  EXPECT_EQ(walker_.CountOutOfDate("", false), 3);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"gen.h", "one.obj", "two.obj"}));
  EXPECT_EQ(reads_["gen.h"], 2);
  EXPECT_EQ(reads_["gen.in"], 1);
}

TEST_F(Walk, BuildAllRebuildsTargetsWithAnExistingDependent) {
  MakeFile("a.c", 30);
  MakeFile("a.obj", 10);
  MakeFile("b.obj", 10);
  Line(model_, "all", "a.obj b.obj");
  Line(model_, "a.obj", "a.c", {"cc a"});
  Line(model_, "b.obj", "nothing.h", {"cc b"});
  Line(model_, "nothing.h", "", {"echo"});
  silentTargets_ = {"nothing.h"};
  // The count cannot know that nothing.h leaves no file behind.
  EXPECT_EQ(walker_.CountOutOfDate("", true), 3);
  EXPECT_EQ(Run("", true), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"a.obj", "nothing.h"}));
}

TEST_F(Walk, NamedDeepTargetBuildsOnlyItsOwnDependents) {
  MakeFile("a.c", 10);
  Line(model_, "app.exe", "a.obj", {"link"});
  Line(model_, "a.obj", "a.c", {"cc"});
  EXPECT_EQ(Run("A.OBJ"), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"a.obj"}));
}

TEST_F(Walk, FailedTargetBlocksOnlyWhatDependsOnIt) {
  MakeFile("bad.c", 10);
  MakeFile("good.c", 10);
  MakeFile("top.exe", 5);
  Line(model_, "all", "top.exe good.obj");
  Line(model_, "top.exe", "bad.obj", {"link"});
  Line(model_, "bad.obj", "bad.c", {"cc bad"});
  Line(model_, "good.obj", "good.c", {"cc good"});
  failing_ = {"bad.obj"};
  // top.exe exists, so it is compared by time and the walk goes on.
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_, (Strings{"bad.obj", "good.obj"}));
}

TEST_F(Walk, FailedTargetAboveAMissingFileEndsTheWalk) {
  MakeFile("bad.c", 10);
  MakeFile("good.c", 10);
  Line(model_, "all", "top.exe good.obj");
  Line(model_, "top.exe", "bad.obj", {"link"});
  Line(model_, "bad.obj", "bad.c", {"cc bad"});
  Line(model_, "good.obj", "good.c", {"cc good"});
  failing_ = {"bad.obj"};
  EXPECT_EQ(Run(), WalkStatus::MissingFile);
  EXPECT_EQ(walker_.LastMissingFile(), "top.exe");
  EXPECT_EQ(built_, (Strings{"bad.obj"}));
}

TEST_F(Walk, TargetInProgressMakesItsParentWait) {
  Line(model_, "all", "left.exe right.obj");
  Line(model_, "left.exe", "slow.obj", {"link"});
  Line(model_, "slow.obj", "", {"cc slow"});
  Line(model_, "right.obj", "", {"cc right"});
  WalkResult first = walker_.NextBuildTarget("", false);
  ASSERT_EQ(first.status, WalkStatus::Selected);
  EXPECT_EQ(first.target->name, "slow.obj");
  first.target->commands->SetState(BuildState::InProgress);
  WalkResult second = walker_.NextBuildTarget("", false);
  ASSERT_EQ(second.status, WalkStatus::Selected);
  EXPECT_EQ(second.target->name, "right.obj");
  second.target->commands->SetState(BuildState::InProgress);
  EXPECT_EQ(walker_.NextBuildTarget("", false).status, WalkStatus::Waiting);
  first.target->commands->SetState(BuildState::Done);
  second.target->commands->SetState(BuildState::Done);
  MakeFile("slow.obj", 0);
  WalkResult third = walker_.NextBuildTarget("", false);
  ASSERT_EQ(third.status, WalkStatus::Selected);
  EXPECT_EQ(third.target->name, "left.exe");
}

TEST_F(Walk, SpecialMacrosExpandWhenFirstReached) {
  MakeFile("a.c", 10);
  Line(model_, "a.obj", "a.c", {"cc $** -o $(@F)"});
  Line(model_, "stamp", "", {"echo $@"});
  ASSERT_EQ(walker_.NextBuildTarget("a.obj", false).status, WalkStatus::Selected);
  EXPECT_EQ(model_.FindTarget("a.obj")->commands->Line(0).text, "cc a.c -o \"a.obj\"");
  EXPECT_EQ(model_.FindTarget("stamp")->commands->Line(0).text, "echo $@");
  ASSERT_EQ(walker_.NextBuildTarget("stamp", false).status, WalkStatus::Selected);
  EXPECT_EQ(model_.FindTarget("stamp")->commands->Line(0).text, "echo \"stamp\"");
}

TEST_F(Walk, CycleDoesNotHangTheWalk) {
  Line(model_, "all", "a");
  Line(model_, "a", "b", {"make a"});
  Line(model_, "b", "a", {"make b"});
  EXPECT_EQ(walker_.CountOutOfDate("", false), 2);
  const WalkStatus status = Run();
  EXPECT_NE(status, WalkStatus::Selected);
}

TEST_F(Walk, DeepChainResumesBesideEachSelection) {
  constexpr int kDepth = 300;
  MakeFile("source", 10);
  for (int i = 0; i < kDepth; ++i) {
    const std::string dependent = i + 1 < kDepth ? Numbered("t", i + 1) : std::string("source");
    Line(model_, Numbered("t", i), dependent, {"make"});
  }
  EXPECT_EQ(walker_.CountOutOfDate("", false), kDepth);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  ASSERT_EQ(built_.size(), static_cast<size_t>(kDepth));
  EXPECT_EQ(built_.front(), Numbered("t", kDepth - 1));
  EXPECT_EQ(built_.back(), "t0");
}

TEST_F(Walk, VeryDeepChainNeedsNoDeepStack) {
  constexpr int kDepth = 50000;
  for (int i = 0; i < kDepth; ++i) Line(model_, Numbered("g", i), Numbered("g", i + 1));
  Line(model_, Numbered("g", kDepth), "", {"echo"});
  silentTargets_ = {Numbered("g", kDepth)};
  EXPECT_EQ(walker_.CountOutOfDate("", false), 1);
  EXPECT_EQ(Run(), WalkStatus::Finished);
  EXPECT_EQ(built_.size(), 1u);
}

}  // namespace
}  // namespace engine
