#include "engine/model_report.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "model_test_support.h"

namespace engine {
namespace {

using test::Commands;
using test::Line;

// The three sections around their contents; each '#' in the rules and
// targets stands for the line that frames one entry.
std::string Report(const std::string& macros, const std::string& rules, const std::string& targets) {
  auto frame = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '#' ? std::string("|+---------------------------------------\n") : std::string(1, c);
    return out + "+---------------------------------------\n\n";
  };
  return "+---------View Macro Defined------------\n" + frame(macros) + "+---------View Suffix Rule--------------\n" +
         frame(rules) + "+---------View Depend-------------------\n" + frame(targets);
}

TEST(ModelReport, SectionsEntriesAndSharedTargets) {
  makefile::MacroTable macros;
  RuleTable rules = test::DefaultRules();
  TargetModel model;
  Line(model, "all", "", {"echo hi"});
  EXPECT_EQ(ModelReport(macros, RuleTable(), model),
            Report("", "", "#|| Target file: all\n|| Depend file:\n|| Commadns:\n||  echo hi\n#"));

  macros.DefineMacro("CC", "cl");
  rules.AddInferenceRule(".c", "src", ".obj", "", Commands({"$(CC) $<", "@echo done"}));
  TargetModel shared;
  Line(shared, "all", "a.exe x.obj");
  Line(shared, "a.exe", "x.obj", {"link a"});
  shared.ApplyInferenceRules(rules);
  const std::string source = testing_support::NativePath("src\\x.c");
  // A shared target is listed once, where the walk first meets it.
  EXPECT_EQ(ModelReport(macros, rules, shared),
            Report("| CC = cl\n", "#|| Source: {src}.c\n|| Dest: {}.obj\n|| Command:\n||  $(CC) $<\n||  echo done\n#",
                   "#|| Target file: all\n|| Depend file:\n||  a.exe\n||  x.obj\n|| Commadns:\n#"
                   "#|| Target file: a.exe\n|| Depend file:\n||  x.obj\n|| Commadns:\n||  link a\n#"
                   "#|| Target file: x.obj\n|| Depend file:\n||  " + source +
                       "\n|| Commadns:\n||  $(CC) $<\n||  echo done\n#"
                   "#|| Target file: " + source + "\n|| Depend file:\n|| Commadns:\n#"));
}

TEST(FormatFileTime, FourDigitYearAndTwoDigitFields) {
  std::tm local = {};
  local.tm_year = 2003 - 1900;
  local.tm_mon = 6;
  local.tm_mday = 1;
  local.tm_hour = 9;
  local.tm_min = 5;
  local.tm_isdst = -1;
  EXPECT_EQ(FormatFileTime(static_cast<std::int64_t>(std::mktime(&local))), "2003/07/01 09:05:00");
}

}  // namespace
}  // namespace engine
