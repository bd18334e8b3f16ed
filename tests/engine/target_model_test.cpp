#include "engine/target_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model_test_support.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using test::CommandTexts;
using test::DependentNames;
using test::Line;
using test::Names;
using testing_support::NativePath;

using Strings = std::vector<std::string>;

std::string Numbered(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

TEST(AddDependencyBlock, SecondLineMergesInAnyCase) {
  TargetModel model;
  Line(model, "all", "a", {"echo one"});
  Line(model, "ALL", "b", {"echo two"});
  ASSERT_EQ(model.Roots().size(), 1u);
  const TargetNode* all = model.Roots()[0];
  EXPECT_EQ(all->name, "all");
  EXPECT_EQ(DependentNames(all), (Strings{"a", "b"}));
  EXPECT_EQ(CommandTexts(all), (Strings{"echo one", "echo two"}));
}

TEST(AddDependencyBlock, LaterTargetAdoptsEarlierRoot) {
  TargetModel model;
  Line(model, "b", "x");
  Line(model, "a", "b");
  EXPECT_EQ(Names(model.Roots()), (Strings{"a"}));
  EXPECT_EQ(DependentNames(model.Roots()[0]), (Strings{"b"}));
  EXPECT_EQ(model.SelectStartTarget("")->name, "a");
}

TEST(AddDependencyBlock, AdoptedRootsComeFirst) {
  TargetModel model;
  Line(model, "r1", "x");
  Line(model, "r2", "y");
  Line(model, "top", "plain r2 other R1");
  EXPECT_EQ(Names(model.Roots()), (Strings{"top"}));
  EXPECT_EQ(DependentNames(model.Roots()[0]), (Strings{"r2", "r1", "plain", "other"}));
}

TEST(AddDependencyBlock, LaterLineMergesIntoExistingDependent) {
  TargetModel model;
  Line(model, "a", "b");
  Line(model, "b", "x", {"make b"});
  EXPECT_EQ(Names(model.Roots()), (Strings{"a"}));
  const TargetNode* b = model.FindTarget("b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(DependentNames(b), (Strings{"x"}));
  EXPECT_EQ(CommandTexts(b), (Strings{"make b"}));
}

TEST(AddDependencyBlock, DependentsAreLinkedExactlyButTargetsFoundInAnyCase) {
  TargetModel model;
  Line(model, "a", "b");
  Line(model, "c", "B");
  EXPECT_EQ(Names(model.Roots()), (Strings{"a", "c"}));
  const TargetNode* lower = model.Roots()[0]->dependents[0];
  const TargetNode* upper = model.Roots()[1]->dependents[0];
  EXPECT_NE(lower, upper);
  EXPECT_EQ(upper->name, "B");
  // The first node in pre-order that matches without regard to case.
  Line(model, "B", "y", {"make"});
  EXPECT_EQ(DependentNames(lower), (Strings{"y"}));
  EXPECT_TRUE(upper->dependents.empty());
}

TEST(AddDependencyBlock, MergeKeepsNamedRootAsRoot) {
  TargetModel model;
  Line(model, "first", "x");
  Line(model, "second", "y");
  Line(model, "second", "first");
  EXPECT_EQ(Names(model.Roots()), (Strings{"first", "second"}));
  EXPECT_EQ(DependentNames(model.FindTarget("second")), (Strings{"y", "first"}));
  EXPECT_EQ(model.SelectStartTarget("")->name, "first");
}

TEST(AddDependencyBlock, SharedDependentIsOneNode) {
  TargetModel model;
  Line(model, "a.obj", "common.h");
  Line(model, "b.obj", "common.h");
  EXPECT_EQ(model.Roots()[0]->dependents[0], model.Roots()[1]->dependents[0]);
  EXPECT_EQ(model.AllNodes().size(), 3u);
}

TEST(AddDependencyBlock, EmptyQuotedNameEndsTheList) {
  TargetModel model;
  Line(model, "t", "\"\" a b");
  EXPECT_TRUE(model.Roots()[0]->dependents.empty());
  EXPECT_FALSE(model.Roots()[0]->hadDependents);
}

TEST(AddDependencyBlock, TargetBaseInDependents) {
  TargetModel model;
  Line(model, "obj\\foo.obj", "$*.c $(*F).h $(*B).x $@");
  EXPECT_EQ(DependentNames(model.Roots()[0]),
            (Strings{NativePath("obj\\foo.c"), "foo.h", "foo.x", "$@"}));
  Line(model, "bar.obj", "$*.c ^$*.d");
  EXPECT_EQ(DependentNames(model.FindTarget("bar.obj")), (Strings{"bar.c", "^$*.d"}));
}

TEST(AddDependencyBlock, LineWithoutCommandsGivesEmptyList) {
  TargetModel model;
  Line(model, "all", "a");
  const TargetNode* all = model.Roots()[0];
  ASSERT_NE(all->commands, nullptr);
  EXPECT_TRUE(all->commands->Empty());
  // A dependent no line names as a target has no list at all.
  EXPECT_EQ(all->dependents[0]->commands, nullptr);
}

TEST(FindTarget, CaseInsensitiveAndStartTarget) {
  TargetModel model;
  Line(model, "all", "Lib.obj");
  Line(model, "lib.obj", "lib.c", {"cc"});
  EXPECT_EQ(model.FindTarget("LIB.OBJ")->name, "Lib.obj");
  EXPECT_EQ(model.FindTarget("missing"), nullptr);
  EXPECT_EQ(model.SelectStartTarget("missing")->name, "all");
  EXPECT_EQ(model.SelectStartTarget("LIB.c")->name, "lib.c");
}

TEST(FindTarget, DoubleByteNamesFoldOnlyTheirSingleByteLetters) {
  // In code page 932 the trail bytes of these two are 'A' and 'a'.
  const std::string large = testing_support::Narrow("ア");
  const std::string small = testing_support::Narrow("ャ");
  TargetModel model;
  Line(model, large + ".OBJ", "", {"one"});
  Line(model, small + ".obj", "", {"two"});
  EXPECT_EQ(Names(model.Roots()), (Strings{large + ".OBJ", small + ".obj"}));
  EXPECT_EQ(model.FindTarget(large + ".obj")->name, large + ".OBJ");
  EXPECT_EQ(model.FindTarget(small + ".OBJ")->name, small + ".obj");
}

TEST(PreOrder, SharedNodeAtFirstOccurrence) {
  TargetModel model;
  Line(model, "all", "a b");
  Line(model, "a", "s");
  Line(model, "b", "s t");
  Line(model, "s", "leaf");
  EXPECT_EQ(Names(model.NodesInPreOrder()), (Strings{"all", "a", "s", "leaf", "b", "t"}));
}

TEST(Cycles, RootThatDependsOnItself) {
  TargetModel model;
  Line(model, "a", "b");
  Line(model, "b", "a");
  EXPECT_TRUE(model.HasRootCycle());
  const std::vector<const TargetNode*> cycle = model.FindDependencyCycle();
  ASSERT_EQ(cycle.size(), 3u);
  EXPECT_EQ(cycle.front(), cycle.back());
}

TEST(Cycles, TargetNamingItselfIsARootCycle) {
  TargetModel model;
  Line(model, "a", "a");
  EXPECT_TRUE(model.HasRootCycle());
}

TEST(Cycles, CycleBelowTheRoots) {
  TargetModel model;
  Line(model, "all", "a");
  Line(model, "a", "b");
  Line(model, "b", "a");
  EXPECT_FALSE(model.HasRootCycle());
  const std::vector<const TargetNode*> cycle = model.FindDependencyCycle();
  ASSERT_EQ(cycle.size(), 3u);
  EXPECT_EQ(cycle[0]->name, "a");
  EXPECT_EQ(cycle[1]->name, "b");
  EXPECT_EQ(cycle[2]->name, "a");
  // Traversals stop on it.
  EXPECT_EQ(Names(model.NodesInPreOrder()), (Strings{"all", "a", "b"}));
  model.ApplyInferenceRules(test::DefaultRules());
}

TEST(Cycles, DiamondIsNoCycle) {
  TargetModel model;
  Line(model, "all", "a b");
  Line(model, "a", "c");
  Line(model, "b", "c");
  EXPECT_FALSE(model.HasRootCycle());
  EXPECT_TRUE(model.FindDependencyCycle().empty());
}

TEST(LargeGraphs, DeepChainNeedsNoDeepStack) {
  constexpr int kDepth = 50000;
  TargetModel model;
  // Written bottom-up, so every line adopts the root before it.
  for (int i = kDepth; i > 0; --i) Line(model, Numbered("t", i - 1), Numbered("t", i), {"x"});
  ASSERT_EQ(Names(model.Roots()), (Strings{"t0"}));
  EXPECT_EQ(model.NodesInPreOrder().size(), static_cast<size_t>(kDepth + 1));
  EXPECT_FALSE(model.HasRootCycle());
  EXPECT_TRUE(model.FindDependencyCycle().empty());
  model.ApplyInferenceRules(test::DefaultRules());
  Line(model, Numbered("t", kDepth), "t0");
  EXPECT_TRUE(model.HasRootCycle());
  EXPECT_EQ(model.FindDependencyCycle().size(), static_cast<size_t>(kDepth + 2));
}

TEST(LargeGraphs, WideTargetAdoptsEveryRoot) {
  constexpr int kWidth = 20000;
  TargetModel model;
  std::string all;
  for (int i = 0; i < kWidth; ++i) {
    Line(model, Numbered("r", i), Numbered("s", i));
    all += Numbered(" R", i);
  }
  Line(model, "all", all);
  EXPECT_EQ(Names(model.Roots()), (Strings{"all"}));
  EXPECT_EQ(model.Roots()[0]->dependents.size(), static_cast<size_t>(kWidth));
  EXPECT_EQ(model.Roots()[0]->dependents[kWidth - 1]->name, Numbered("r", kWidth - 1));
}

}  // namespace
}  // namespace engine
