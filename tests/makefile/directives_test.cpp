// Conditionals, INCLUDE, MESSAGE and ERROR as a makefile uses them.
#include "makefile/directives.h"
#include "reader_test_support.h"

namespace reader_test {
namespace {

using testing_support::NativePath;

class Directives : public ReaderTest {
 protected:
  // Reads `body` after a dependency line, so that only the directives decide.
  bool ReadBody(const std::string& body) { return Read("all:\n" + body); }
  void ExpectError(int code, int line) {
    EXPECT_EQ(Error().code, code);
    EXPECT_EQ(Error().lineNumber, line);
  }
};

TEST_F(Directives, IfElseChoosesOnePart) {
  ASSERT_TRUE(ReadBody("!IF 1\nA=1\n!ELSE\nA=2\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "1");
  ASSERT_TRUE(ReadBody("!IF 0\nB=1\n!ELSE\nB=2\n!ENDIF\n"));
  EXPECT_EQ(Macro("B"), "2");
}

TEST_F(Directives, ElseIfChainsTakeTheFirstTruePart) {
  macros.DefineMacro("X", "2");
  ASSERT_TRUE(ReadBody("!IF $(X) == 1\nA=one\n!ELSE IF $(X) == 2\nA=two\n!ELSEIF $(X) == 2\nA=again\n"
                       "!ELSE\nA=other\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "two");
}

TEST_F(Directives, NestedConditionalsInASkippedPartStaySkipped) {
  ASSERT_TRUE(ReadBody("!IF 0\n!IF 1\nA=inner\n!ELSE\nA=else\n!ENDIF\nA=outer\n!ELSE\nB=yes\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "<undefined>");
  EXPECT_EQ(Macro("B"), "yes");
}

TEST_F(Directives, ASecondElseFlipsAgain) {
  ASSERT_TRUE(ReadBody("!IF 1\n!ELSE\nA=first\n!ELSE\nA=second\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "second");
}

TEST_F(Directives, EveryTransitionOfTheConditionalTable) {
  // An ELSEIF after an active part, and everything after it, stays inactive.
  ASSERT_TRUE(ReadBody("!IF 1\n!ELSEIF 1\nA=no\n!ELSE\nA=no\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "<undefined>");
  // An ELSEIF after an ELSE that became active.
  ASSERT_TRUE(ReadBody("!IF 0\n!ELSE\n!ELSEIF 1\nB=no\n!ELSE\nB=no\n!ENDIF\n"));
  EXPECT_EQ(Macro("B"), "<undefined>");
  // Conditionals nested in a waiting or a finished part never open.
  ASSERT_TRUE(ReadBody("!IF 0\n!IFDEF $(X)\nC=no\n!ELSE\nC=no\n!ENDIF\n!ELSEIF 1\n!IFNDEF $(X)\n!ELSE\nD=no\n"
                       "!ENDIF\nE=yes\n!ENDIF\n"));
  EXPECT_EQ(Macro("C"), "<undefined>");
  EXPECT_EQ(Macro("D"), "<undefined>");
  EXPECT_EQ(Macro("E"), "yes");
  // ENDIF gives back the enclosing state.
  ASSERT_TRUE(ReadBody("!IF 0\n!IF 1\n!ENDIF\nF=no\n!ENDIF\nG=yes\n"));
  EXPECT_EQ(Macro("F"), "<undefined>");
  EXPECT_EQ(Macro("G"), "yes");
}

TEST(DirectiveStates, AStateOutsideTheTableIsAnInternalError) {
  engine::TargetModel targets;
  engine::RuleTable rules;
  makefile::MacroTable macros;
  makefile::MakefileReader reader(&targets, &rules, &macros);
  reader.conditionals().push_back(7);
  EXPECT_EQ(makefile::HandleDirective(reader, "ELSE", 0), makefile::kDirectiveFailed);
  EXPECT_EQ(reader.error().code, 24);
  EXPECT_EQ(reader.conditionals(), std::vector<int>{makefile::kConditionUnknown});
}

TEST_F(Directives, ElseWithExtraTextIsAPlainElse) {
  ASSERT_TRUE(ReadBody("!IF 0\n!ELSE  IF 0\nA=taken\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "taken");
}

TEST_F(Directives, IfdefTestsTheReferencedName) {
  macros.DefineMacro("EMPTY", "");
  ASSERT_TRUE(ReadBody("!IFDEF $(EMPTY)\nA=defined\n!ENDIF\n!IFNDEF $(NOPE)\nB=undefined\n!ENDIF\n"
                       "!IF 0\n!ELSEIFDEF $(EMPTY)\nC=c\n!ENDIF\n!IF 0\n!ELSE IFNDEF $(EMPTY)\nD=d\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "defined");
  EXPECT_EQ(Macro("B"), "undefined");
  EXPECT_EQ(Macro("C"), "c");
  EXPECT_EQ(Macro("D"), "<undefined>");
}

TEST_F(Directives, AReferenceToAnUndefinedNameDefinesIt) {
  ASSERT_TRUE(ReadBody("X = $(CFG)\n!IFDEF $(CFG)\nA=now defined\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "now defined");
}

TEST_F(Directives, IfdefWithoutTheReferenceFormAsksForIt) {
  EXPECT_FALSE(ReadBody("\n!IFDEF CFG\n"));
  ExpectError(31, 3);
  EXPECT_EQ(Error().lineText, "!IFDEF CFG");
}

TEST_F(Directives, ConditionsReadTheirResultAsADecimalNumber) {
  ASSERT_TRUE(ReadBody("!IF 0x10\nA=hex\n!ENDIF\n!IF 0x10 == 16\nB=equal\n!ENDIF\n!IFFY\nC=fy\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "<undefined>");
  EXPECT_EQ(Macro("B"), "equal");
  EXPECT_EQ(Macro("C"), "<undefined>");
}

TEST_F(Directives, ASingleEqualsTestsOnlyTheLeftSide) {
  macros.DefineMacro("X", "0");
  ASSERT_TRUE(ReadBody("!IF $(X) = 0\nA=taken\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "<undefined>");
}

TEST_F(Directives, ExistLooksAtFiles) {
  Write("present.txt", "x");
  ASSERT_TRUE(ReadBody("!IF EXIST(present.txt)\nA=yes\n!ENDIF\n!IF exists(\"absent.txt\")\nB=yes\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "yes");
  EXPECT_EQ(Macro("B"), "<undefined>");
}

TEST_F(Directives, ExpressionErrorsCarryTheEvaluatorStatus) {
  EXPECT_FALSE(ReadBody("!IF (1\n"));
  EXPECT_EQ(Error().code, 1);
  EXPECT_EQ(Error().subCode, 44);
  EXPECT_EQ(Error().lineNumber, 2);
}

TEST_F(Directives, ALeftOverTokenIsReportedAsAMissingOperator) {
  EXPECT_FALSE(ReadBody("!IF 1 2\n"));
  EXPECT_EQ(Error().code, 1);
  EXPECT_EQ(Error().subCode, 41);
}

TEST_F(Directives, ConditionsInSkippedPartsAreNotExamined) {
  ASSERT_TRUE(ReadBody("!IF 0\n!IF (((\n!ENDIF\n!ELSEIF 1\nA=1\n!ELSEIF (((\n!ENDIF\n"));
  EXPECT_EQ(Macro("A"), "1");
}

TEST_F(Directives, DirectivesWithoutAnOpenConditional) {
  EXPECT_FALSE(ReadBody("!ELSE\n"));
  ExpectError(2, 2);
  EXPECT_FALSE(ReadBody("!ELSEIF 1\n"));
  ExpectError(3, 2);
  EXPECT_FALSE(ReadBody("!ELSE IFDEF $(A)\n"));
  ExpectError(4, 2);
  EXPECT_FALSE(ReadBody("!ELSEIFNDEF $(A)\n"));
  ExpectError(4, 2);
  EXPECT_FALSE(ReadBody("!ENDIF\n"));
  ExpectError(5, 2);
}

TEST_F(Directives, AnOpenConditionalAtTheEndIsNoError) {
  ASSERT_TRUE(ReadBody("!IF 1\nA=1\n"));
  EXPECT_EQ(Macro("A"), "1");
}

TEST_F(Directives, ConditionalsSpanIncludedFiles) {
  Write("open.mak", "!IF 0\nA=skipped\n!ELSE\n");
  Write("close.mak", "!ENDIF\n");
  EXPECT_FALSE(ReadBody("!INCLUDE \"open.mak\"\nB=read\n!ENDIF\n!IF 1\n!INCLUDE \"close.mak\"\n!ELSE\n"));
  EXPECT_EQ(Macro("A"), "<undefined>");
  EXPECT_EQ(Macro("B"), "read");
  // The ENDIF of close.mak closed the includer's IF: its ELSE has no IF.
  ExpectError(2, 7);
  EXPECT_EQ(Error().fileName, "Makefile");
}

TEST_F(Directives, UnknownDirectivesNameTheirWord) {
  EXPECT_FALSE(ReadBody("!BOGUS thing\n"));
  ExpectError(10, 2);
  EXPECT_EQ(Error().argument, "!BOGUS");
  EXPECT_FALSE(ReadBody("!if 1\n"));
  EXPECT_EQ(Error().argument, "!if");
  EXPECT_FALSE(ReadBody("!\n"));
  EXPECT_EQ(Error().argument, "!");
}

TEST_F(Directives, DirectivesInSkippedPartsDoNothing) {
  ASSERT_TRUE(ReadBody("!IF 0\n!BOGUS\n!INCLUDE \"missing.mak\"\n!ERROR stop\n!MESSAGE hidden\n!ENDIF\n"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Directives, ABlankBeforeTheBangMakesAnOrdinaryLine) {
  EXPECT_FALSE(Read(" !IF 1\nall:\n"));
  ExpectError(22, 1);
}

TEST_F(Directives, IncludeForms) {
  Write("quoted.mak", "Q = quoted\n");
  Write(NativePath("inc\\defs.mak"), "D = defs\n");
  macros.DefineMacro("INCLUDE", NativePath("inc\\"));
  ASSERT_TRUE(ReadBody("!INCLUDE \"quoted.mak\" trailing text\n!INCLUDE <defs.mak>\n"));
  EXPECT_EQ(Macro("Q"), "quoted");
  EXPECT_EQ(Macro("D"), "defs");
}

TEST_F(Directives, TheIncludeMacroIsPutInFrontWithoutASeparator) {
  Write(NativePath("incdefs.mak"), "D = joined\n");
  macros.DefineMacro("INCLUDE", "inc");
  ASSERT_TRUE(ReadBody("!INCLUDE <defs.mak>\n"));
  EXPECT_EQ(Macro("D"), "joined");
}

TEST_F(Directives, IncludeErrors) {
  EXPECT_FALSE(ReadBody("!INCLUDE plain.mak\n"));
  ExpectError(6, 2);
  EXPECT_FALSE(ReadBody("!INCLUDE \"open.mak\n"));
  ExpectError(7, 2);
  EXPECT_FALSE(ReadBody("!INCLUDE <open.mak\n"));
  ExpectError(8, 2);
  EXPECT_FALSE(ReadBody("!INCLUDE \"missing.mak\"\n"));
  ExpectError(9, 2);
}

TEST_F(Directives, IncludeNamesAreNotExpanded) {
  macros.DefineMacro("DIR", "sub");
  Write(NativePath("sub\\a.mak"), "A = 1\n");
  EXPECT_FALSE(ReadBody("!INCLUDE \"$(DIR)" + NativePath("\\a.mak") + "\"\n"));
  ExpectError(9, 2);
}

TEST_F(Directives, MessageShowsTheExpandedText) {
  macros.DefineMacro("X", "value");
  ASSERT_TRUE(ReadBody("!MESSAGE  text $(X) ^$(X)\n!MESSAGE\n"));
  EXPECT_EQ(Messages(), (Lines{"text value value", ""}));
}

TEST_F(Directives, ErrorStopsWithTheExpandedText) {
  macros.DefineMacro("CFG", "arm");
  EXPECT_FALSE(ReadBody("!ERROR Build $(CFG) is not supported\nA=after\n"));
  ExpectError(26, 2);
  EXPECT_EQ(Error().argument, "Build arm is not supported");
  EXPECT_EQ(Macro("A"), "<undefined>");
}

TEST_F(Directives, DeepNestingIsFine) {
  std::string body;
  for (int i = 0; i < 10000; ++i) body += "!IF 1\n";
  body += "A=deep\n";
  for (int i = 0; i < 10000; ++i) body += "!ENDIF\n";
  ASSERT_TRUE(ReadBody(body));
  EXPECT_EQ(Macro("A"), "deep");
}

}  // namespace
}  // namespace reader_test
