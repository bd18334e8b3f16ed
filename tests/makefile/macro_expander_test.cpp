#include "makefile/macro_expander.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace makefile {
namespace {

// In code page 932 0x95 0x5E is one character whose trail byte is '^'.
const bool kDoubleByte = platform::IsLeadByte(0x95);

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

TEST(ExpandMacros, Lines) {
  const struct {
    std::vector<std::pair<std::string, std::string>> defines;
    std::string line;
    std::string expanded;
    ExpandStatus status;
    std::string offending;
  } cases[] = {
      {{{"A", "x"}, {"CC", "cl"}}, "$(CC) /c $(A).c", "cl /c x.c", ExpandStatus::kDone, ""},
      {{}, "no references", "no references", ExpandStatus::kDone, ""},
      // Single-letter forms, double dollars and special macros stay.
      {{{"A", "v"}, {"X", "no"}}, "$X $$(A) a$", "$X $v a$", ExpandStatus::kDone, ""},
      {{{"A", "v"}}, "$", "$", ExpandStatus::kDone, ""},
      {{{"DEST", "out"}, {"@", "at"}}, "copy $@ $(DEST) $(@D) ${@F} $** $? $< $* $$@",
       "copy $@ out $(@D) ${@F} $** $? $< $* $$@", ExpandStatus::kDone, ""},
      // Without a modifier letter the bracketed form is an ordinary macro.
      {{{"@", "at"}}, "$(@)", "at", ExpandStatus::kDone, ""},
      // A caret protects a reference, also in a value.
      {{{"A", "v"}}, "^$(A) $(A)", "^$(A) v", ExpandStatus::kDone, ""},
      {{{"A", "\x95^"}, {"B", "b"}}, "$(A)$(B)", kDoubleByte ? "\x95^b" : "\x95^$(B)", ExpandStatus::kDone, ""},
      {{{"B", "b"}, {"A", "^$(B)"}}, "$(A)", "^$(B)", ExpandStatus::kDone, ""},
      // Unclosed and empty references end the expansion.
      {{{"A", "v"}}, "X = $(UNCLOSED", "X = UNCLOSED", ExpandStatus::kDone, ""},
      {{{"A", "v"}}, "Y = $() $(A)", "Y = ) $(A)", ExpandStatus::kDone, ""},
      {{{"A$(B", "v"}}, "$(A$(B))", "v)", ExpandStatus::kDone, ""},  // references do not nest
      // Values are scanned from their second character.
      {{{"INNER", "i"}, {"LATE", "x$(INNER)"}, {"EARLY", "$(INNER)x"}}, "$(LATE) $(EARLY) $(LATE)$(LATE)",
       "xi $(INNER)x xixi", ExpandStatus::kDone, ""},
      // An empty or undefined value does not hide the next reference.
      {{{"E", ""}, {"A", "v"}}, "$(E)$(A) $(UNDEFINED)$(A)", "v v", ExpandStatus::kDone, ""},
      {{{"A", "x$(A)"}}, "all: $(A)", "all: $(A)", ExpandStatus::kSelfReference, "A"},
      {{{"A", "a $(B)"}, {"B", "b $(C)"}, {"C", "c $(A)"}}, "$(B)", "$(B)", ExpandStatus::kSelfReference, "B"},
      // Repeating a name outside its own value is no cycle.
      {{{"A", "x$(B)"}, {"B", "y"}, {"C", "$(A) $(A)"}}, "$(A) $(A) -$(C)", "xy xy -$(A) xy", ExpandStatus::kDone, ""},
      // A reference running past the end of a value ends that value: the
      // inner reference's name comes from the line.
      {{{"A", "x$("}}, "$(A)A)", "xx", ExpandStatus::kDone, ""},
  };
  for (const auto& c : cases) {
    Expansion e;
    for (const auto& [name, value] : c.defines) e.Define(name, value);
    EXPECT_EQ(e.Expand(c.line), c.expanded) << c.line;
    EXPECT_EQ(e.status, c.status) << c.line;
    if (c.status != ExpandStatus::kDone) {
      EXPECT_EQ(e.offendingName, c.offending) << c.line;
    }
    EXPECT_TRUE(e.undefined.empty() || c.line.find("UNDEFINED") != std::string::npos) << c.line;
  }
}

// P1..P40 and Q1..Q40, each value "<$(next)>", the last "<>"; rows change
// single values. Past a depth of 16 the open names are also kept in a set,
// which must follow every step in and out: a stale name is a false cycle,
// a missing one lets a cycle through once, which the 40 MB value then
// turns into too long a line.
TEST(ExpandMacros, DeepNestingFindsEveryCycleAndNoOther) {
  const std::string big = std::string(40 << 20, 'x');
  const std::string nested = std::string(40, '<') + std::string(40, '>');
  const struct {
    std::vector<std::pair<std::string, std::string>> changes;
    std::string line;
    ExpandStatus status;
    std::string offending;
    std::string expanded = "";  // checked when given
  } cases[] = {
      {{}, "$(P1) $(P1) $(P21)", ExpandStatus::kDone, "", nested + " " + nested + " " + nested.substr(20, 40)},
      {{{"P40", "<$(P1)>"}}, "x $(P5)", ExpandStatus::kSelfReference, "P5"},
      // A cycle at depth 17, after a step to 20 and back.
      {{{"P3", "<$(P4)" + big}, {"P17", "<$(Q1)$(P3)>"}, {"Q3", "<>"}}, "$(P1)", ExpandStatus::kSelfReference, "P3"},
      // Cycles at depths 17 and 16.
      {{{"P16", "<$(P17)" + big}, {"P17", "<$(P16)>"}}, "$(P1)", ExpandStatus::kSelfReference, "P16"},
      {{{"P15", "<$(P16)" + big}, {"P16", "<$(P15)>"}}, "$(P1)", ExpandStatus::kSelfReference, "P15"},
      // Y1 (with Y2 at 17) and X1 were open at depth 16 and are no longer
      // when Q5 names them.
      {{{"P15", "<$(Y1)$(X1)$(Q1)>"}, {"X1", "<>"}, {"Y1", "<$(Y2)>"}, {"Y2", "<>"}, {"Q5", "<$(X1)$(Y1)>"}}, "$(P1)",
       ExpandStatus::kDone, ""},
  };
  for (const auto& c : cases) {
    Expansion e;
    for (const std::string prefix : {"P", "Q"}) {
      for (int i = 1; i <= 40; ++i) {
        e.Define(prefix + std::to_string(i), i < 40 ? "<$(" + prefix + std::to_string(i + 1) + ")>" : "<>");
      }
    }
    for (const auto& [name, value] : c.changes) e.Define(name, value);
    const std::string expanded = e.Expand(c.line);
    EXPECT_EQ(e.status, c.status) << c.line;
    EXPECT_EQ(e.offendingName, c.offending) << c.line;
    if (!c.expanded.empty()) {
      EXPECT_EQ(expanded, c.expanded);
    }
  }
}

// Values that double at every level stop at a size limit; a long line of
// references is no such growth.
TEST(ExpandMacros, ExponentialGrowthStops) {
  Expansion e;
  e.Define("M0", std::string(1 << 20, 'z'));
  for (int i = 1; i <= 8; ++i) {
    const std::string inner = "M" + std::to_string(i - 1);
    e.Define("M" + std::to_string(i), "x$(" + inner + ")$(" + inner + ")");
  }
  e.Expand("$(M8)");
  EXPECT_EQ(e.status, ExpandStatus::kTooLong);
  e.Define("O", "obj");
  std::string line;
  std::string expected;
  for (int i = 0; i < 100000; ++i) {
    line += "$(O) ";
    expected += "obj ";
  }
  EXPECT_EQ(e.Expand(line), expected);
  EXPECT_EQ(e.status, ExpandStatus::kDone);
}

TEST(ExpandMacros, UndefinedNamesAreAskedForOnceAndDefinedUnlessTheHandlerFails) {
  Expansion e;
  EXPECT_EQ(e.Expand("B = $(C)$(C) $(D)"), "B =  ");
  EXPECT_EQ(e.undefined, (std::vector<std::string>{"C", "D"}));
  EXPECT_EQ(e.macros.LookupMacro("C"), "");
  e.failUndefined = true;
  EXPECT_EQ(e.Expand("a $(MISSING) b"), "a $(MISSING) b");
  EXPECT_EQ(e.status, ExpandStatus::kUndefinedFailed);
  EXPECT_EQ(e.offendingName, "MISSING");
  EXPECT_FALSE(e.macros.LookupMacro("MISSING"));
}

}  // namespace
}  // namespace makefile
