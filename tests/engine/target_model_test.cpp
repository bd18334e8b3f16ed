#include "engine/target_model.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine/rule_table.h"
#include "model_test_support.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using test::Commands;
using test::DefaultRules;
using test::Describe;
using test::Line;
using test::Lines;
using test::Names;
using test::Numbered;
using testing_support::NativePath;

using Strings = std::vector<std::string>;

TEST(AddDependencyBlock, HowLinesBuildTheModel) {
  // The lines, the model they build and its SelectStartTarget("").
  const std::tuple<Strings, std::string, std::string> cases[] = {
      // A second line for a target merges into it, in any case.
      {{"all: a = echo one", "ALL: b = echo two"}, "roots: all | all(a b){echo one;echo two} | a | b", "all"},
      // A later target adopts an earlier root; adopted roots come first.
      {{"b: x", "a: b"}, "roots: a | a(b){} | b(x){} | x", "a"},
      {{"r1: x", "r2: y", "top: plain r2 other R1"},
       "roots: top | top(r2 r1 plain other){} | r2(y){} | y | r1(x){} | x | plain | other",
       "top"},
      {{"a: b", "b: x = make b"}, "roots: a | a(b){} | b(x){make b} | x", "a"},
      // A merge keeps a root that a line names as a root.
      {{"first: x", "second: y", "second: first"},
       "roots: first second | first(x){} | x | second(y first){} | y",
       "first"},
      // A shared dependent is one node, listed at its first occurrence.
      {{"all: a b", "a: s", "b: s t", "s: leaf"},
       "roots: all | all(a b){} | a(s){} | s(leaf){} | leaf | b(s t){} | t",
       "all"},
      // An empty quoted name ends the list.
      {{"t: \"\" a b"}, "roots: t | t{}", "t"},
      {{"obj\\foo.obj: $*.c $(*F).h $(*B).x $@", "bar.obj: $*.c ^$*.d"},
       "roots: " + NativePath("obj\\foo.obj bar.obj | obj\\foo.obj(obj\\foo.c foo.h foo.x $@){} | obj\\foo.c") +
           " | foo.h | foo.x | $@ | bar.obj(bar.c ^$*.d){} | bar.c | ^$*.d",
       NativePath("obj\\foo.obj")},
  };
  for (const auto& [lines, described, start] : cases) {
    TargetModel model;
    Lines(model, lines);
    EXPECT_EQ(Describe(model), described);
    EXPECT_EQ(model.SelectStartTarget("")->name, start);
  }
}

TEST(AddDependencyBlock, DependentsAreLinkedExactlyButTargetsFoundInAnyCase) {
  TargetModel model;
  Lines(model, {"a: b", "c: B"});
  const TargetNode* lower = model.Roots()[0]->dependents[0];
  const TargetNode* upper = model.Roots()[1]->dependents[0];
  EXPECT_NE(lower, upper);
  // The first node in pre-order that matches without regard to case.
  Line(model, "B", "y", {"make"});
  EXPECT_EQ(Names(lower->dependents.ToVector()), (Strings{"y"}));
  EXPECT_TRUE(upper->dependents.empty());
  // Double-byte characters are not folded: in code page 932 the trail bytes
  // of these two are 'A' and 'a'.
  const std::string large = testing_support::Narrow("ア");
  const std::string small = testing_support::Narrow("ャ");
  Lines(model, {large + ".OBJ: = one", small + ".obj: = two"});
  EXPECT_EQ(model.FindTarget(large + ".obj")->name, large + ".OBJ");
  EXPECT_EQ(model.FindTarget(small + ".OBJ")->name, small + ".obj");
}

TEST(Cycles, FoundAndNamed) {
  // The lines, whether they hold a root cycle, and the root cycle or else any.
  const std::tuple<Strings, bool, std::string> cases[] = {
      {{"a: b", "b: a"}, true, "a -> b -> a"},
      {{"a: a"}, true, "a -> a"},
      {{"all: a", "a: b", "b: a"}, false, "a -> b -> a"},
      {{"all: a b", "a: c", "b: c"}, false, ""},  // a diamond is no cycle
  };
  for (const auto& [lines, rootCycle, cycle] : cases) {
    TargetModel model;
    Lines(model, lines);
    EXPECT_EQ(model.HasRootCycle(), rootCycle) << lines[0];
    EXPECT_EQ(DescribeCycle(rootCycle ? model.FindRootCycle() : model.FindDependencyCycle()), cycle);
    // Traversals stop on it.
    model.ApplyInferenceRules(test::DefaultRules());
  }
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

std::vector<std::string> RuleCommands(const RuleTable& rules, const std::string& key) {
  Strings texts;
  const auto found = rules.Rules().find(NativePath(key));
  if (found == rules.Rules().end()) return texts;
  for (const auto& rule : found->second) texts.push_back(rule->commands->Line(0).text);
  return texts;
}

TEST(RuleTable, RefusedRulesAndTheOrderOfOneKey) {
  RuleTable rules = DefaultRules();
  EXPECT_EQ(rules.AddSuffix(""), 1);
  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", nullptr), 1);
  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", Commands({})), 1);
  EXPECT_EQ(rules.AddInferenceRule("", "", ".obj", "", Commands({"cc"})), 1);
  EXPECT_EQ(rules.AddInferenceRule(".y", "", ".c", "", Commands({"yacc"})), 2);
  EXPECT_TRUE(rules.Rules().empty());
  // The rules of one key follow the suffix order.
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"from c"}));
  rules.AddInferenceRule(".asm", "", ".obj", "", Commands({"from asm"}));
  rules.AddInferenceRule(".cpp", "", ".obj", "", Commands({"from cpp"}));
  EXPECT_EQ(RuleCommands(rules, "\\.obj"), (Strings{"from c", "from cpp", "from asm"}));
  // Same source suffix and directory: replaced in place.
  rules.AddInferenceRule(".cpp", "", ".obj", "", Commands({"cpp again"}));
  EXPECT_EQ(RuleCommands(rules, "\\.obj"), (Strings{"from c", "cpp again", "from asm"}));
  // A source directory goes before the general rule of that suffix.
  rules.AddInferenceRule(".cpp", "src", ".obj", "", Commands({"cpp in src"}));
  EXPECT_EQ(RuleCommands(rules, "\\.obj"), (Strings{"from c", "cpp in src", "cpp again", "from asm"}));
  // A general rule does not displace the directory one; it replaces its twin.
  rules.AddInferenceRule(".cpp", "", ".obj", "", Commands({"cpp third"}));
  EXPECT_EQ(RuleCommands(rules, "\\.obj"), (Strings{"from c", "cpp in src", "cpp third", "from asm"}));
}

// A directory rule under its own key; without a list for the directory,
// the general key with the target's directory; a rule without a target
// suffix for names without an extension.
TEST(RuleTable, KeysAndDerivedNames) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "src", ".obj", "out", Commands({"cc dirs"}));
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc plain"}));
  rules.AddInferenceRule(".c", "", "", "", Commands({"link tool"}));
  const std::pair<std::string, std::string> cases[] = {
      {"out\\foo.obj", "src\\foo.c: cc dirs"}, {"lib\\bar.obj", "lib\\bar.c: cc plain"}, {"tool", "tool.c: link tool"},
      {"readme.txt", ""}};
  for (const auto& [target, found] : cases) {
    std::string source;
    std::unique_ptr<CommandList> commands;
    const bool ruled = rules.FindInferenceRule(NativePath(target), source, commands);
    EXPECT_EQ(ruled ? source + ": " + commands->Line(0).text : "", NativePath(found));
  }
}

TEST(ApplyInferenceRules, TargetsWithoutCommandsGetThem) {
  // The rules (from suffix, to suffix, command), the lines and the model.
  const std::tuple<std::vector<Strings>, Strings, std::string> cases[] = {
      // The first suffix decides; the source comes first; a target with
      // commands of its own keeps them.
      {{{".c", ".obj", "cc $<"}, {".cpp", ".obj", "cl $<"}},
       {"app.exe: foo.obj = link", "foo.obj: foo.h"},
       "roots: app.exe | app.exe(foo.obj){link} | foo.obj(foo.c foo.h){cc $<} | foo.c | foo.h"},
      // A listed source is not added twice.
      {{{".c", ".obj", "cc"}},
       {"all: foo.obj", "foo.obj: FOO.C"},
       "roots: all | all(foo.obj){} | foo.obj(FOO.C){cc} | FOO.C"},
      // Rules chain through intermediate suffixes.
      {{{".y", ".c", "yacc"}, {".c", ".obj", "cc"}},
       {"all: parse.obj"},
       "roots: all | all(parse.obj){} | parse.obj(parse.c){cc} | parse.c(parse.y){yacc} | parse.y"},
      // An inferred source is a node of its own.
      {{{".c", ".obj", "cc"}},
       {"all: foo.obj foo.c"},
       "roots: all | all(foo.obj foo.c){} | foo.obj(foo.c){cc} | foo.c | foo.c"},
      // Rule loops end at the first repeated name: x.c is not made from itself.
      {{{".c", ".c", "copy self"}, {".obj", ".cpp", "back"}, {".cpp", ".obj", "forth"}},
       {"all: x.c y.obj"},
       "roots: all | all(x.c y.obj){} | x.c | y.obj(y.cpp){forth} | y.cpp"},
      // A shared target gets its rule once.
      {{{".c", ".obj", "cc"}},
       {"a.exe: common.obj = link a", "b.exe: common.obj = link b"},
       "roots: a.exe b.exe | a.exe(common.obj){link a} | common.obj(common.c){cc} | common.c | b.exe(common.obj){link "
       "b}"},
  };
  for (const auto& [inferenceRules, lines, described] : cases) {
    RuleTable rules = DefaultRules();
    rules.AddSuffix(".y");
    rules.AddSuffix(".obj");
    for (const auto& rule : inferenceRules) rules.AddInferenceRule(rule[0], "", rule[1], "", Commands({rule[2]}));
    TargetModel model;
    test::Lines(model, lines);
    model.ApplyInferenceRules(rules);
    EXPECT_EQ(test::Describe(model), described);
  }
}

}  // namespace
}  // namespace engine
