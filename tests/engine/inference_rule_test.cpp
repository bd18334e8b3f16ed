#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "model_test_support.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

using test::Commands;
using test::DefaultRules;
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

TEST(ApplyInferenceRules, TargetsWithoutCommandsGetThem) {
  const struct {
    std::vector<std::vector<std::string>> rules;  // from suffix, to suffix, command
    Strings lines;
    std::string model;
  } cases[] = {
      // The first suffix decides; the source comes first; a target with
      // commands of its own keeps them.
      {{{".c", ".obj", "cc $<"}, {".cpp", ".obj", "cl $<"}}, {"app.exe: foo.obj = link", "foo.obj: foo.h"},
       "roots: app.exe | app.exe(foo.obj){link} | foo.obj(foo.c foo.h){cc $<} | foo.c | foo.h"},
      // A listed source is not added twice.
      {{{".c", ".obj", "cc"}}, {"all: foo.obj", "foo.obj: FOO.C"}, "roots: all | all(foo.obj){} | foo.obj(FOO.C){cc} | FOO.C"},
      // Rules chain through intermediate suffixes.
      {{{".y", ".c", "yacc"}, {".c", ".obj", "cc"}}, {"all: parse.obj"},
       "roots: all | all(parse.obj){} | parse.obj(parse.c){cc} | parse.c(parse.y){yacc} | parse.y"},
      // An inferred source is a node of its own.
      {{{".c", ".obj", "cc"}}, {"all: foo.obj foo.c"}, "roots: all | all(foo.obj foo.c){} | foo.obj(foo.c){cc} | foo.c | foo.c"},
      // Rule loops end at the first repeated name: x.c is not made from itself.
      {{{".c", ".c", "copy self"}, {".obj", ".cpp", "back"}, {".cpp", ".obj", "forth"}}, {"all: x.c y.obj"},
       "roots: all | all(x.c y.obj){} | x.c | y.obj(y.cpp){forth} | y.cpp"},
      // A shared target gets its rule once.
      {{{".c", ".obj", "cc"}}, {"a.exe: common.obj = link a", "b.exe: common.obj = link b"},
       "roots: a.exe b.exe | a.exe(common.obj){link a} | common.obj(common.c){cc} | common.c | b.exe(common.obj){link b}"},
  };
  for (const auto& c : cases) {
    RuleTable rules = DefaultRules();
    rules.AddSuffix(".y");
    rules.AddSuffix(".obj");
    for (const auto& rule : c.rules) rules.AddInferenceRule(rule[0], "", rule[1], "", Commands({rule[2]}));
    TargetModel model;
    test::Lines(model, c.lines);
    model.ApplyInferenceRules(rules);
    EXPECT_EQ(test::Describe(model), c.model);
  }
}

}  // namespace
}  // namespace engine
