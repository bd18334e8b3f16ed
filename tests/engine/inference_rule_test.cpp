#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "model_test_support.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using test::CommandTexts;
using test::Commands;
using test::DefaultRules;
using test::DependentNames;
using test::Line;
using testing_support::NativePath;

using Strings = std::vector<std::string>;

std::vector<std::string> RuleCommands(const RuleTable& rules, const std::string& key) {
  Strings texts;
  const auto found = rules.Rules().find(NativePath(key));
  if (found == rules.Rules().end()) return texts;
  for (const auto& rule : found->second) texts.push_back(rule->commands->Line(0).text);
  return texts;
}

TEST(RuleTable, SuffixOrderAndClearing) {
  RuleTable rules = DefaultRules();
  ASSERT_EQ(rules.Suffixes().size(), 12u);
  EXPECT_EQ(rules.Suffixes()[0]->text, ".ctx");
  EXPECT_EQ(rules.Suffixes()[11]->order, 12);
  EXPECT_EQ(rules.AddSuffix(""), 1);
  EXPECT_EQ(rules.AddSuffix(".c"), 0);  // duplicates get their own entry
  EXPECT_EQ(rules.Suffixes()[12]->order, 13);

  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"})), 0);
  rules.ClearRuleTable();
  EXPECT_TRUE(rules.Rules().empty());
  EXPECT_TRUE(rules.Suffixes().empty());
  rules.AddSuffix(".y");
  EXPECT_EQ(rules.Suffixes()[0]->order, 1);
  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"})), 2);
}

TEST(RuleTable, RefusedRules) {
  RuleTable rules = DefaultRules();
  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", nullptr), 1);
  EXPECT_EQ(rules.AddInferenceRule(".c", "", ".obj", "", Commands({})), 1);
  EXPECT_EQ(rules.AddInferenceRule("", "", ".obj", "", Commands({"cc"})), 1);
  EXPECT_EQ(rules.AddInferenceRule(".y", "", ".c", "", Commands({"yacc"})), 2);
  EXPECT_TRUE(rules.Rules().empty());
}

TEST(RuleTable, RulesOfOneKeyFollowTheSuffixOrder) {
  RuleTable rules = DefaultRules();
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

TEST(RuleTable, KeysAndDerivedNames) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "src", ".obj", "out", Commands({"cc dirs"}));
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc plain"}));
  rules.AddInferenceRule(".c", "", "", "", Commands({"link tool"}));
  ASSERT_EQ(rules.Rules().count(NativePath("out\\.obj")), 1u);
  ASSERT_EQ(rules.Rules().count(NativePath("\\ ")), 1u);

  std::string source;
  std::unique_ptr<CommandList> commands;
  ASSERT_TRUE(rules.FindInferenceRule(NativePath("out\\foo.obj"), source, commands));
  EXPECT_EQ(source, NativePath("src\\foo.c"));
  EXPECT_EQ(commands->Line(0).text, "cc dirs");

  // No list for the directory: the general key, and the target's directory.
  commands.reset();
  ASSERT_TRUE(rules.FindInferenceRule(NativePath("lib\\bar.obj"), source, commands));
  EXPECT_EQ(source, NativePath("lib\\bar.c"));
  EXPECT_EQ(commands->Line(0).text, "cc plain");

  commands.reset();
  ASSERT_TRUE(rules.FindInferenceRule("tool", source, commands));
  EXPECT_EQ(source, "tool.c");
  EXPECT_FALSE(rules.FindInferenceRule("readme.txt", source, commands));
}

TEST(ApplyInferenceRules, FirstSuffixDecidesAndSourceComesFirst) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc $<"}));
  rules.AddInferenceRule(".cpp", "", ".obj", "", Commands({"cl $<"}));
  TargetModel model;
  Line(model, "app.exe", "foo.obj", {"link"});
  Line(model, "foo.obj", "foo.h");
  model.ApplyInferenceRules(rules);
  const TargetNode* foo = model.FindTarget("foo.obj");
  EXPECT_EQ(CommandTexts(foo), (Strings{"cc $<"}));
  EXPECT_EQ(DependentNames(foo), (Strings{"foo.c", "foo.h"}));
  EXPECT_TRUE(foo->hadDependents);
  // The target with commands of its own keeps them.
  EXPECT_EQ(CommandTexts(model.FindTarget("app.exe")), (Strings{"link"}));
}

TEST(ApplyInferenceRules, ListedSourceIsNotAddedTwice) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"}));
  TargetModel model;
  Line(model, "all", "foo.obj");
  Line(model, "foo.obj", "FOO.C");
  model.ApplyInferenceRules(rules);
  const TargetNode* foo = model.FindTarget("foo.obj");
  EXPECT_EQ(CommandTexts(foo), (Strings{"cc"}));
  EXPECT_EQ(DependentNames(foo), (Strings{"FOO.C"}));
}

TEST(ApplyInferenceRules, RulesChainThroughIntermediateSuffixes) {
  RuleTable rules = DefaultRules();
  rules.AddSuffix(".y");
  rules.AddInferenceRule(".y", "", ".c", "", Commands({"yacc"}));
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"}));
  TargetModel model;
  Line(model, "all", "parse.obj");
  model.ApplyInferenceRules(rules);
  const TargetNode* object = model.FindTarget("parse.obj");
  ASSERT_EQ(DependentNames(object), (Strings{"parse.c"}));
  const TargetNode* source = object->dependents[0];
  EXPECT_EQ(CommandTexts(source), (Strings{"yacc"}));
  EXPECT_EQ(DependentNames(source), (Strings{"parse.y"}));
  EXPECT_EQ(source->dependents[0]->commands, nullptr);
}

TEST(ApplyInferenceRules, InferredSourceIsANewNode) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"}));
  TargetModel model;
  Line(model, "all", "foo.obj foo.c");
  model.ApplyInferenceRules(rules);
  const TargetNode* all = model.Roots()[0];
  const TargetNode* inferred = all->dependents[0]->dependents[0];
  EXPECT_EQ(inferred->name, "foo.c");
  EXPECT_NE(inferred, all->dependents[1]);
}

TEST(ApplyInferenceRules, RuleLoopsEndAtTheFirstRepeatedName) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "", ".c", "", Commands({"copy self"}));
  rules.AddSuffix(".obj");
  rules.AddInferenceRule(".obj", "", ".cpp", "", Commands({"back"}));
  rules.AddInferenceRule(".cpp", "", ".obj", "", Commands({"forth"}));
  TargetModel model;
  Line(model, "all", "x.c y.obj");
  model.ApplyInferenceRules(rules);
  // x.c would be made from itself: no rule applies.
  const TargetNode* x = model.FindTarget("x.c");
  EXPECT_TRUE(x->dependents.empty());
  EXPECT_EQ(x->commands, nullptr);
  // y.obj from y.cpp, which would be made from y.obj again: the chain stops.
  const TargetNode* y = model.FindTarget("y.obj");
  ASSERT_EQ(DependentNames(y), (Strings{"y.cpp"}));
  EXPECT_TRUE(y->dependents[0]->dependents.empty());
  EXPECT_EQ(model.AllNodes().size(), 4u);
}

TEST(ApplyInferenceRules, SharedTargetGetsItsRuleOnce) {
  RuleTable rules = DefaultRules();
  rules.AddInferenceRule(".c", "", ".obj", "", Commands({"cc"}));
  TargetModel model;
  Line(model, "a.exe", "common.obj", {"link a"});
  Line(model, "b.exe", "common.obj", {"link b"});
  model.ApplyInferenceRules(rules);
  const TargetNode* common = model.FindTarget("common.obj");
  EXPECT_EQ(CommandTexts(common), (Strings{"cc"}));
  EXPECT_EQ(DependentNames(common), (Strings{"common.c"}));
}

}  // namespace
}  // namespace engine
