#include "makefile/macro_expander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace makefile {
namespace {

// Expands with a table and records the names asked for.
class Expansion {
 public:
  Expansion& Define(const std::string& name, const std::string& value) {
    macros.DefineMacro(name, value);
    return *this;
  }

  std::string Expand(std::string line) {
    status = ExpandMacroReferences(line, macros, [this](const std::string& name, std::string& value) {
      undefined.push_back(name);
      value = undefinedValue;
      return failUndefined ? 1 : 0;
    }, &offendingName);
    return line;
  }

  MacroTable macros;
  std::vector<std::string> undefined;
  std::string undefinedValue;
  bool failUndefined = false;
  ExpandStatus status = ExpandStatus::kDone;
  std::string offendingName;
};

TEST(ExpandMacros, ReplacesReferencesByValues) {
  Expansion e;
  e.Define("A", "x").Define("CC", "cl");
  EXPECT_EQ(e.Expand("$(A) y"), "x y");
  EXPECT_EQ(e.Expand("$(CC) /c $(A).c"), "cl /c x.c");
  EXPECT_EQ(e.Expand("no references"), "no references");
  EXPECT_EQ(e.status, ExpandStatus::kDone);
}

TEST(ExpandMacros, LeavesSingleLetterFormsAndDoubleDollars) {
  Expansion e;
  e.Define("A", "v").Define("X", "no");
  EXPECT_EQ(e.Expand("$X"), "$X");
  EXPECT_EQ(e.Expand("$$(A)"), "$v");
  EXPECT_EQ(e.Expand("$"), "$");
  EXPECT_EQ(e.Expand("a$"), "a$");
}

TEST(ExpandMacros, LeavesSpecialMacroTokens) {
  Expansion e;
  e.Define("DEST", "out").Define("@", "at");
  EXPECT_EQ(e.Expand("copy $@ $(DEST)"), "copy $@ out");
  EXPECT_EQ(e.Expand("$(@D) ${@F} $** $? $< $* $$@"), "$(@D) ${@F} $** $? $< $* $$@");
  // Without a modifier letter the bracketed form is an ordinary macro.
  EXPECT_EQ(e.Expand("$(@)"), "at");
  EXPECT_TRUE(e.undefined.empty());
}

TEST(ExpandMacros, ACaretProtectsAReference) {
  Expansion e;
  e.Define("A", "v");
  EXPECT_EQ(e.Expand("^$(A) $(A)"), "^$(A) v");
}

TEST(ExpandMacros, UndefinedNamesAreAskedForOnceAndDefined) {
  Expansion e;
  EXPECT_EQ(e.Expand("B = $(C)$(C) $(D)"), "B =  ");
  EXPECT_EQ(e.undefined, (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(e.macros.LookupMacro("C"), "");
}

TEST(ExpandMacros, UnclosedAndEmptyReferencesEndTheExpansion) {
  Expansion e;
  e.Define("A", "v");
  EXPECT_EQ(e.Expand("X = $(UNCLOSED"), "X = UNCLOSED");
  EXPECT_EQ(e.Expand("Y = $() $(A)"), "Y = ) $(A)");
  EXPECT_TRUE(e.undefined.empty());
}

TEST(ExpandMacros, ReferencesDoNotNest) {
  Expansion e;
  e.Define("A$(B", "v");
  EXPECT_EQ(e.Expand("$(A$(B))"), "v)");
}

TEST(ExpandMacros, ValuesAreScannedFromTheirSecondCharacter) {
  Expansion e;
  e.Define("INNER", "i").Define("LATE", "x$(INNER)").Define("EARLY", "$(INNER)x");
  EXPECT_EQ(e.Expand("$(LATE)"), "xi");
  EXPECT_EQ(e.Expand("$(EARLY)"), "$(INNER)x");
  EXPECT_EQ(e.Expand("$(LATE)$(LATE)"), "xixi");
}

TEST(ExpandMacros, AnEmptyValueDoesNotHideTheNextReference) {
  Expansion e;
  e.Define("E", "").Define("A", "v");
  EXPECT_EQ(e.Expand("$(E)$(A)"), "v");
  EXPECT_EQ(e.Expand("$(UNDEFINED)$(A)"), "v");
}

TEST(ExpandMacros, ACaretInAValueProtectsWhatFollows) {
  Expansion e;
  e.Define("B", "b").Define("A", "^$(B)");
  EXPECT_EQ(e.Expand("$(A)"), "^$(B)");
}

TEST(ExpandMacros, AValueThatRefersToItselfStops) {
  Expansion e;
  e.Define("A", "x$(A)");
  std::string line = "all: $(A)";
  EXPECT_EQ(e.Expand(line), line);
  EXPECT_EQ(e.status, ExpandStatus::kSelfReference);
  EXPECT_EQ(e.offendingName, "A");
}

TEST(ExpandMacros, ACycleThroughOtherMacrosStops) {
  Expansion e;
  e.Define("A", "a $(B)").Define("B", "b $(C)").Define("C", "c $(A)");
  e.Expand("$(B)");
  EXPECT_EQ(e.status, ExpandStatus::kSelfReference);
  EXPECT_EQ(e.offendingName, "B");
}

TEST(ExpandMacros, RepeatingANameOutsideItsOwnValueIsNoCycle) {
  Expansion e;
  e.Define("A", "x$(B)").Define("B", "y").Define("C", "$(A) $(A)");
  EXPECT_EQ(e.Expand("$(A) $(A) -$(C)"), "xy xy -$(A) xy");
  EXPECT_EQ(e.status, ExpandStatus::kDone);
}

TEST(ExpandMacros, DeeplyNestedValuesFindTheirCycleAndTheirEnd) {
  // Nesting deeper than a handful of values, the way back to each level
  // and the cycle check still hold.
  constexpr int kDepth = 40;
  auto name = [](int level) { return "M" + std::to_string(level); };
  Expansion chain;
  std::string expected;
  for (int level = 0; level < kDepth; ++level) {
    chain.Define(name(level), "<" + std::string(level + 1 < kDepth ? "$(" + name(level + 1) + ")" : "") + ">");
    expected = "<" + expected + ">";
  }
  EXPECT_EQ(chain.Expand("$(M0) $(M0) $(M20)"), expected + " " + expected + " " + expected.substr(20, 40));
  EXPECT_EQ(chain.status, ExpandStatus::kDone);

  Expansion cycle;
  for (int level = 0; level < kDepth; ++level) cycle.Define(name(level), "<$(" + name((level + 1) % kDepth) + ")");
  cycle.Expand("x $(M5)");
  EXPECT_EQ(cycle.status, ExpandStatus::kSelfReference);
  EXPECT_EQ(cycle.offendingName, "M5");
}

TEST(ExpandMacros, AReferenceRunningPastTheEndOfAValueEndsThatValue) {
  Expansion e;
  e.Define("A", "x$(");
  // The inner reference's name "A" comes from the line, not from A's value.
  EXPECT_EQ(e.Expand("$(A)A)"), "xx");
  EXPECT_EQ(e.status, ExpandStatus::kDone);
}

TEST(ExpandMacros, ExponentialGrowthStops) {
  Expansion e;
  e.Define("M0", std::string(1 << 20, 'z'));
  const char* names[] = {"M0", "M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8"};
  for (int i = 1; i <= 8; ++i) {
    const std::string inner(names[i - 1]);
    std::string value = "x$(";
    value.append(inner).append(")$(").append(inner).append(")");
    e.Define(names[i], value);
  }
  e.Expand("$(M8)");
  EXPECT_EQ(e.status, ExpandStatus::kTooLong);
}

TEST(ExpandMacros, AFailingHandlerFailsTheExpansion) {
  Expansion e;
  e.failUndefined = true;
  std::string line = "a $(MISSING) b";
  EXPECT_EQ(e.Expand(line), line);
  EXPECT_EQ(e.status, ExpandStatus::kUndefinedFailed);
  EXPECT_EQ(e.offendingName, "MISSING");
  EXPECT_FALSE(e.macros.LookupMacro("MISSING"));
}

TEST(ExpandMacros, ManyReferencesOnOneLine) {
  Expansion e;
  e.Define("O", "obj");
  std::string line;
  std::string expected;
  for (int i = 0; i < 100000; ++i) {
    line += "$(O) ";
    expected += "obj ";
  }
  EXPECT_EQ(e.Expand(line), expected);
}

}  // namespace
}  // namespace makefile
