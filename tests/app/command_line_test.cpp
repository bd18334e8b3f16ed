#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/path.h"

namespace {

// The result and every option that differs from its default, as one line
// (a flag's value when it is not 1).
std::string Parse(const std::vector<std::string>& arguments, makefile::MacroTable* macrosOut = nullptr) {
  app::BuildOptions o;
  makefile::MacroTable macros;
  const int result = app::ParseCommandLine(arguments, o, macros);
  if (macrosOut) *macrosOut = macros;
  std::string targets;
  for (const std::string& name : o.targetNames) targets += (targets.empty() ? "" : ",") + name;
  std::string text = std::to_string(result) + " f=" + o.makefileName + " t=" + targets;
  if (!o.traceFile.empty()) text += " z=" + o.traceFile;
  const std::pair<const char*, int> flags[] = {
      {"A", o.buildAll},     {"D", o.showTimestamps},   {"P", o.printModel},        {"I", o.ignoreErrors},
      {"K", o.keepGoing},    {"V", o.showUpdateInfo},   {"Q", o.queryOnly},         {"S", o.silent},
      {"T", o.touchOnly},    {"norun", !o.executeCommands}, {"X", o.progressOutput}, {"X2", o.echoInlineFiles},
      {"L", !o.useDirectRunner}, {"R", o.clientMode},   {"C", o.clientModeHidden},  {"B", o.serverMode},
      {"E", o.serverSettingsDialog}, {"W", o.clientSettingsDialog}, {"M", o.nmakeReading},
      {"G", o.compileCommands}};
  for (const auto& [name, value] : flags) {
    if (value) text += std::string(" ") + name + (value == 1 ? "" : "=" + std::to_string(value));
  }
  return text;
}

TEST(ParseCommandLine, Options) {
  // On Linux an absolute path is no option; on Windows "/src..." is -S, and
  // -F keeps waiting in vain.
  const std::string absolute =
      platform::kPathSeparator == '/' ? "0 f=/src/build.mak t= A" : "0 f=Makefile t= A S";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "0 f=Makefile t="},
      // Only the second character selects, without regard to case.
      {{"-a"}, "0 f=Makefile t= A"},
      {{"/A"}, "0 f=Makefile t= A"},
      {{"-Abc"}, "0 f=Makefile t= A"},
      {{"/dipk"}, "0 f=Makefile t= D"},
      {{"-P", "-I", "-K", "-V", "-S"}, "0 f=Makefile t= P I K V S"},
      {{"-Fbuild.mak"}, "0 f=build.mak t="},
      {{"-F", "build.mak"}, "0 f=build.mak t="},
      {{"/f", "x.mak", "all"}, "0 f=x.mak t=all"},
      {{"-F"}, "0 f=Makefile t="},
      // Only the argument right after a bare -F is its name, even with '='.
      {{"-F", "-A", "x"}, "0 f=Makefile t=x A"},
      {{"-F", "a=b.mak"}, "0 f=a=b.mak t="},
      {{"-F", "/src/build.mak", "/a"}, absolute},
      // -Z names its file as -F does.
      {{"-Zrun.json"}, "0 f=Makefile t= z=run.json"},
      {{"/z", "run.json", "all"}, "0 f=Makefile t=all z=run.json"},
      {{"-Z", "-A", "x"}, "0 f=Makefile t=x A"},
      {{"CFG=debug", "all", "other"}, "0 f=Makefile t=all,other"},
      {{"", std::string(1 << 20, 'a')}, "0 f=Makefile t=" + std::string(1 << 20, 'a')},
      {{"-c"}, "1 f= t="},
      {{"-"}, "1 f= t="},
      {{"-1"}, "1 f= t="},
      {{"-\xE3\x81\x82"}, "1 f= t="},
      // Later mode options win.
      {{"-B", "-R"}, "0 f=Makefile t= R B"},
      {{"-R", "-B"}, "0 f=Makefile t= B"},
      {{"-E", "-B"}, "0 f=Makefile t= B E"},
      {{"-R", "-E"}, "0 f=Makefile t= E"},
      {{"-R", "-C"}, "0 f=Makefile t= C"},
      {{"-W"}, "0 f=Makefile t= W"},
      // -G is a local run that runs nothing.
      {{"-B", "-g"}, "0 f=Makefile t= norun G"},
      {{"-G", "-R"}, "0 f=Makefile t= norun R G"},
      // -N clears -S; the other order keeps it.
      {{"-S", "-N"}, "0 f=Makefile t= norun"},
      {{"-N", "-S"}, "0 f=Makefile t= S norun"},
      {{"-Q"}, "0 f=Makefile t= Q norun"},
      {{"-T"}, "0 f=Makefile t= T norun"},
      {{"-L"}, "0 f=Makefile t= L"},
      {{"/m"}, "0 f=Makefile t= M"},
      {{"-X2"}, "0 f=Makefile t= X X2"},
      {{"-X22"}, "0 f=Makefile t= X"},
      {{"-X3"}, "0 f=Makefile t= X"},
      {{"-x"}, "0 f=Makefile t= X"},
  };
  for (const auto& [arguments, expected] : cases) {
    const std::string actual = Parse(arguments);
    EXPECT_TRUE(actual == expected) << actual.substr(0, 80) << " expected " << expected.substr(0, 80);
  }
}

TEST(ParseCommandLine, MacroDefinitions) {
  makefile::MacroTable macros;
  Parse({"CFG=debug", "all", "other", " X = 1 "}, &macros);
  EXPECT_EQ(macros.LookupMacro("CFG"), "debug");
  EXPECT_EQ(macros.LookupMacro(" X"), "1");
  EXPECT_FALSE(macros.LookupMacro("other"));
}

}  // namespace
