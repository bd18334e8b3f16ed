// Dependency lines, command blocks, .SUFFIXES lines and inference rules.
#include "makefile/rule_line_syntax.h"
#include "platform/path.h"
#include "reader_test_support.h"

namespace reader_test {
namespace {

using makefile::InferenceRuleLine;
using makefile::ParseInferenceRuleLine;
using makefile::RuleLineKind;
using testing_support::NativePath;

TEST(InferenceRuleSyntax, SuffixesAndDirectories) {
  InferenceRuleLine rule;
  ASSERT_EQ(ParseInferenceRuleLine(".c.obj:", rule), RuleLineKind::kRule);
  EXPECT_EQ(rule.fromSuffix, ".c");
  EXPECT_EQ(rule.toSuffix, ".obj");
  EXPECT_EQ(rule.fromDirectory, "");
  ASSERT_EQ(ParseInferenceRuleLine("{src}.c{obj}.obj: ignored", rule), RuleLineKind::kRule);
  EXPECT_EQ(rule.fromDirectory, "src");
  EXPECT_EQ(rule.fromSuffix, ".c");
  EXPECT_EQ(rule.toDirectory, "obj");
  EXPECT_EQ(rule.toSuffix, ".obj");
  ASSERT_EQ(ParseInferenceRuleLine("{src}.c.obj :", rule), RuleLineKind::kRule);
  EXPECT_EQ(rule.toDirectory, "");
  EXPECT_EQ(rule.toSuffix, ".obj");
  ASSERT_EQ(ParseInferenceRuleLine(".c :", rule), RuleLineKind::kRule);
  EXPECT_EQ(rule.fromSuffix, ".c");
  EXPECT_EQ(rule.toSuffix, "");
  ASSERT_EQ(ParseInferenceRuleLine(".c^:x.obj:", rule), RuleLineKind::kRule);
  EXPECT_EQ(rule.fromSuffix, ".c:x");
}

TEST(InferenceRuleSyntax, MalformedLines) {
  InferenceRuleLine rule;
  EXPECT_EQ(ParseInferenceRuleLine(".c.obj", rule), RuleLineKind::kMalformed);
  EXPECT_EQ(ParseInferenceRuleLine("{src.c.obj:", rule), RuleLineKind::kMalformed);
  EXPECT_EQ(ParseInferenceRuleLine(".c{obj.obj:", rule), RuleLineKind::kMalformed);
}

TEST(InferenceRuleSyntax, PathsAreNoRules) {
  InferenceRuleLine rule;
  EXPECT_EQ(ParseInferenceRuleLine(NativePath(".\\out\\a.obj: a.c"), rule), RuleLineKind::kNotRule);
  EXPECT_EQ(ParseInferenceRuleLine(NativePath("..\\lib\\a.obj: a.c"), rule), RuleLineKind::kNotRule);
  EXPECT_EQ(ParseInferenceRuleLine(NativePath(".abc\\x.obj: y"), rule), RuleLineKind::kNotRule);
}

class RuleLines : public ReaderTest {
 protected:
  std::vector<std::string> SuffixTexts() const {
    std::vector<std::string> texts;
    for (const auto& entry : rules.Suffixes()) texts.push_back(entry->text);
    return texts;
  }
  // The rules stored under `key` as "{from dir}from -> {to dir}to: commands".
  std::vector<std::string> RulesUnder(const std::string& key) const {
    std::vector<std::string> described;
    auto found = rules.Rules().find(NativePath(key));
    if (found == rules.Rules().end()) return described;
    for (const auto& rule : found->second) {
      std::string text = "{" + rule->fromDirectory + "}" + rule->from->text + " -> {" + rule->toDirectory + "}" +
                         rule->toSuffix + ":";
      for (const engine::CommandLine& line : rule->commands->Lines()) text += " " + line.text;
      described.push_back(text);
    }
    return described;
  }
};

TEST_F(RuleLines, TheDefaultSuffixesComeFirst) {
  ASSERT_TRUE(Read("all:\n"));
  EXPECT_EQ(SuffixTexts(),
            (Lines{".ctx", ".abs", ".o", ".out", ".c", ".cpp", ".cxx", ".asm", ".src", ".s", ".h", ".hpp"}));
}

TEST_F(RuleLines, AnEmptySuffixesLineClearsSuffixesAndRules) {
  ASSERT_TRUE(Read(".c.obj:\n\tcl $<\n.SUFFIXES:\n.SUFFIXES: .c .obj\n.SUFFIXES: .c\nall:\n"));
  EXPECT_EQ(SuffixTexts(), (Lines{".c", ".obj", ".c"}));
  EXPECT_EQ(rules.Suffixes()[1]->order, 2);
  EXPECT_TRUE(rules.Rules().empty());
}

TEST_F(RuleLines, SuffixesLineErrors) {
  EXPECT_FALSE(Read("all:\n.SUFFIXES .c\n"));
  EXPECT_EQ(Error().code, 12);
  EXPECT_EQ(Error().lineNumber, 2);
}

TEST_F(RuleLines, InferenceRulesTakeTheirCommandBlock) {
  ASSERT_TRUE(Read(".SUFFIXES: .obj\n{src}.c{out}.obj:\n\t@cl /c $<\n\n\t-echo done\nall: x.obj\n"));
  EXPECT_EQ(RulesUnder("out\\.obj"), Lines{"{src}.c -> {out}.obj: cl /c $< echo done"});
}

TEST_F(RuleLines, ARuleWithoutTargetSuffix) {
  ASSERT_TRUE(Read(".c:\n\tcl $<\nall: tool\n"));
  EXPECT_EQ(RulesUnder("\\ "), Lines{"{}.c -> {} : cl $<"});
  targets.ApplyInferenceRules(rules);
  EXPECT_EQ(Commands("tool"), Lines{"cl $<"});
  EXPECT_EQ(Dependents("tool"), Lines{"tool.c"});
}

TEST_F(RuleLines, InferenceRuleErrors) {
  EXPECT_FALSE(Read("all:\n.c.obj\n"));
  EXPECT_EQ(Error().code, 13);
  EXPECT_FALSE(Read("all:\n{src.c.obj:\n\tcl\n"));
  EXPECT_EQ(Error().code, 13);
  EXPECT_FALSE(Read("all:\n.c.obj:\nnext:\n"));
  EXPECT_EQ(Error().code, 14);
  EXPECT_EQ(Error().lineNumber, 3);
  EXPECT_FALSE(Read("all:\n.y.c:\n\tyacc $<\nnext:\n"));
  EXPECT_EQ(Error().code, 17);
  EXPECT_EQ(Error().lineNumber, 4);
}

TEST_F(RuleLines, PathsStartingWithADotAreTargets) {
  ASSERT_TRUE(Read(NativePath(".\\out\\a.obj: a.c\n..\\lib\\b.obj: b.c\n.abc\\x.obj: y\n")));
  EXPECT_EQ(RootNames(), (Lines{NativePath(".\\out\\a.obj"), NativePath("..\\lib\\b.obj"), NativePath(".abc\\x.obj")}));
}

TEST_F(RuleLines, ADriveColonIsPartOfTheTarget) {
  ASSERT_TRUE(Read("C:\\work\\a.obj: a.c\nD:\\x.obj:\n"));
  EXPECT_EQ(RootNames(), (Lines{"C:\\work\\a.obj", "D:\\x.obj"}));
  EXPECT_EQ(Dependents("C:\\work\\a.obj"), Lines{"a.c"});
}

TEST_F(RuleLines, SeveralTargetsGetTheirOwnCopies) {
  ASSERT_TRUE(Read("a.obj b.obj: common.h\n\tcl $*.c\n"));
  EXPECT_EQ(RootNames(), (Lines{"a.obj", "b.obj"}));
  EXPECT_EQ(Commands("a.obj"), Lines{"cl $*.c"});
  EXPECT_EQ(Commands("b.obj"), Lines{"cl $*.c"});
  EXPECT_NE(targets.FindTarget("a.obj")->commands.get(), targets.FindTarget("b.obj")->commands.get());
}

TEST_F(RuleLines, QuotedTargetNames) {
  ASSERT_TRUE(Read("\"my file.obj\" \"\" plain: x.c\n"));
  EXPECT_EQ(RootNames(), (Lines{"my file.obj", "plain"}));
}

TEST_F(RuleLines, ASemicolonStartsTheFirstCommand) {
  ASSERT_TRUE(Read("all: a b ; echo done\n\techo more\n"));
  EXPECT_EQ(Dependents("all"), (Lines{"a", "b"}));
  EXPECT_EQ(Commands("all"), (Lines{"; echo done", "echo more"}));
}

TEST_F(RuleLines, CommandPrefixesAndEscapes) {
  ASSERT_TRUE(Read("x.obj:\n\t@-copy a b\n  - @ copy^;c d\n\t@\n\t# comment only\n"));
  EXPECT_EQ(Commands("x.obj"), (Lines{"copy a b", "copy;c d", "", ""}));
  const engine::CommandLine* first = Command("x.obj", 0);
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->Silent());
  EXPECT_TRUE(first->IgnoreError());
}

TEST_F(RuleLines, EscapesInNamesAndDependents) {
  ASSERT_TRUE(Read("a^:b: c^#d e^$(X)\n"));
  EXPECT_EQ(RootNames(), Lines{"a:b"});
  EXPECT_EQ(Dependents("a:b"), (Lines{"c#d", "e$(X)"}));
}

TEST_F(RuleLines, AnUnindentedLineEndsTheBlock) {
  EXPECT_FALSE(Read("all:\nX = 1\n\tcommand without colon\n"));
  EXPECT_EQ(Commands("all"), Lines{});
  EXPECT_EQ(Macro("X"), "1");
  EXPECT_EQ(Error().code, 22);
  EXPECT_EQ(Error().lineNumber, 3);
}

TEST_F(RuleLines, ConditionalsSelectBlockLines) {
  macros.DefineMacro("DEBUG", "1");
  ASSERT_TRUE(Read("all:\n!IF $(DEBUG)\n\techo debug\n!ELSE\n\techo release\n!ENDIF\n\techo always\n"));
  EXPECT_EQ(Commands("all"), (Lines{"echo debug", "echo always"}));
}

TEST_F(RuleLines, MergedTargetsCollectCommandsAndDependents) {
  ASSERT_TRUE(Read("all: a\n\tone\nALL: b\n\ttwo\n"));
  EXPECT_EQ(Commands("all"), (Lines{"one", "two"}));
  EXPECT_EQ(Dependents("all"), (Lines{"a", "b"}));
}

TEST_F(RuleLines, DependencyLineErrors) {
  EXPECT_FALSE(Read("all:\ntarget\n"));
  EXPECT_EQ(Error().code, 22);
  EXPECT_FALSE(Read(": a\n"));
  EXPECT_EQ(Error().code, 18);
  EXPECT_FALSE(Read("C:\\only\n"));
  EXPECT_EQ(Error().code, 22);
}

TEST_F(RuleLines, TargetsAreEnteredEvenWhenTheBlockFails) {
  EXPECT_FALSE(Read("all: x\n\techo one\n!ENDIF\n"));
  EXPECT_EQ(Error().code, 5);
  EXPECT_EQ(Commands("all"), Lines{"echo one"});
}

TEST_F(RuleLines, ADoubleColonIsNotSpecial) {
  ASSERT_TRUE(Read("a:: b\n"));
  EXPECT_EQ(Dependents("a"), (Lines{":", "b"}));
}

}  // namespace
}  // namespace reader_test
