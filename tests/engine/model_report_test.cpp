#include "engine/model_report.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "file_fixture.h"
#include "model_test_support.h"
#include "platform/file_status.h"

namespace engine {
namespace {

using test::Commands;
using test::Line;

constexpr const char* kEmptyMacros =
    "+---------View Macro Defined------------\n"
    "+---------------------------------------\n\n";
constexpr const char* kEmptyRules =
    "+---------View Suffix Rule--------------\n"
    "+---------------------------------------\n\n";

TEST(ModelReport, EmptySectionsStillFramed) {
  makefile::MacroTable macros;
  RuleTable rules;
  TargetModel model;
  Line(model, "all", "", {"echo hi"});
  EXPECT_EQ(ModelReport(macros, rules, model),
            std::string(kEmptyMacros) + kEmptyRules +
                "+---------View Depend-------------------\n"
                "|+---------------------------------------\n"
                "|| Target file: all\n"
                "|| Depend file:\n"
                "|| Commadns:\n"
                "||  echo hi\n"
                "|+---------------------------------------\n"
                "+---------------------------------------\n\n");
}

TEST(ModelReport, MacrosRulesAndSharedTargets) {
  makefile::MacroTable macros;
  macros.DefineMacro("CC", "cl");
  RuleTable rules = test::DefaultRules();
  rules.AddInferenceRule(".c", "src", ".obj", "", Commands({"$(CC) $<", "@echo done"}));
  TargetModel model;
  Line(model, "all", "a.exe x.obj");
  Line(model, "a.exe", "x.obj", {"link a"});
  model.ApplyInferenceRules(rules);
  const std::string source = testing_support::NativePath("src\\x.c");
  // A shared target is listed once, where the walk first meets it.
  EXPECT_EQ(ModelReport(macros, rules, model),
            "+---------View Macro Defined------------\n"
            "| CC = cl\n"
            "+---------------------------------------\n\n"
            "+---------View Suffix Rule--------------\n"
            "|+---------------------------------------\n"
            "|| Source: {src}.c\n"
            "|| Dest: {}.obj\n"
            "|| Command:\n"
            "||  $(CC) $<\n"
            "||  echo done\n"
            "|+---------------------------------------\n"
            "+---------------------------------------\n\n"
            "+---------View Depend-------------------\n"
            "|+---------------------------------------\n"
            "|| Target file: all\n"
            "|| Depend file:\n"
            "||  a.exe\n"
            "||  x.obj\n"
            "|| Commadns:\n"
            "|+---------------------------------------\n"
            "|+---------------------------------------\n"
            "|| Target file: a.exe\n"
            "|| Depend file:\n"
            "||  x.obj\n"
            "|| Commadns:\n"
            "||  link a\n"
            "|+---------------------------------------\n"
            "|+---------------------------------------\n"
            "|| Target file: x.obj\n"
            "|| Depend file:\n"
            "||  " + source + "\n"
            "|| Commadns:\n"
            "||  $(CC) $<\n"
            "||  echo done\n"
            "|+---------------------------------------\n"
            "|+---------------------------------------\n"
            "|| Target file: " + source + "\n"
            "|| Depend file:\n"
            "|| Commadns:\n"
            "|+---------------------------------------\n"
            "+---------------------------------------\n\n");
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

class TimestampView : public test::FileFixture {};

// A directory has a time like a file.
TEST_F(TimestampView, TargetMissingDependentsListedAsLoaded) {
  std::filesystem::create_directories(Scratch().path() / "a.c");
  TargetModel model;
  Line(model, "a.obj", "a.c a.h", {"cc"});
  model.KeepLoadedDependents();
  TargetNode& node = *model.FindTarget("a.obj");
  node.dependents.erase(0);  // the walk empties the working list
  const std::string time = FormatFileTime(platform::PathStatus("a.c").modified);
  EXPECT_EQ(TimestampReport(node),
            "+-------------View TimeStamp----------------\n"
            "| [Target] a.obj :\n"
            "|   File is not exist.\n"
            "| [Depend:1] a.c :\n"
            "|   Timestamp is " + time + " \n"
            "| [Depend:2] a.h :\n"
            "|   File is not exist.\n"
            "+-------------------------------------------\n");
}

}  // namespace
}  // namespace engine
