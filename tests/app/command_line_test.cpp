#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/path.h"

namespace {

struct Parsed {
  int result;
  app::BuildOptions options;
  makefile::MacroTable macros;
};

Parsed Parse(const std::vector<std::string>& arguments) {
  Parsed parsed;
  parsed.result = app::ParseCommandLine(arguments, parsed.options, parsed.macros);
  return parsed;
}

TEST(ParseCommandLine, DefaultsWithoutArguments) {
  Parsed parsed = Parse({});
  EXPECT_EQ(parsed.result, 0);
  EXPECT_EQ(parsed.options.makefileName, "Makefile");
  EXPECT_EQ(parsed.options.targetName, "");
  EXPECT_EQ(parsed.options.executeCommands, 1);
  EXPECT_EQ(parsed.options.useDirectRunner, 1);
}

TEST(ParseCommandLine, OnlyTheSecondCharacterSelectsCaseBlind) {
  for (const char* spelling : {"-a", "/A", "-Abc", "/abc"}) {
    Parsed parsed = Parse({spelling});
    EXPECT_EQ(parsed.result, 0) << spelling;
    EXPECT_EQ(parsed.options.buildAll, 1) << spelling;
  }
}

TEST(ParseCommandLine, MakefileNameAttachedOrNext) {
  EXPECT_EQ(Parse({"-Fbuild.mak"}).options.makefileName, "build.mak");
  EXPECT_EQ(Parse({"-F", "build.mak"}).options.makefileName, "build.mak");
  EXPECT_EQ(Parse({"/f", "x.mak", "all"}).options.targetName, "all");
  EXPECT_EQ(Parse({"-F"}).options.makefileName, "Makefile");
  // Only the argument right after a bare -F is its name.
  Parsed parsed = Parse({"-F", "-A", "x"});
  EXPECT_EQ(parsed.options.makefileName, "Makefile");
  EXPECT_EQ(parsed.options.buildAll, 1);
  EXPECT_EQ(parsed.options.targetName, "x");
  // A name after -F that holds '=' is still the makefile, not a macro.
  EXPECT_EQ(Parse({"-F", "a=b.mak"}).options.makefileName, "a=b.mak");
}

TEST(ParseCommandLine, AbsolutePathsAreNotOptionsWhereSlashSeparates) {
  Parsed parsed = Parse({"-F", "/src/build.mak", "/a"});
  EXPECT_EQ(parsed.result, 0);
  EXPECT_EQ(parsed.options.buildAll, 1);
  if (platform::kPathSeparator == '/') {
    EXPECT_EQ(parsed.options.makefileName, "/src/build.mak");
    EXPECT_EQ(parsed.options.silent, 0);
  } else {
    // On Windows "/src..." is the option -S, and -F keeps waiting in vain.
    EXPECT_EQ(parsed.options.makefileName, "Makefile");
    EXPECT_EQ(parsed.options.silent, 1);
  }
}

TEST(ParseCommandLine, MacroDefinitionsAndOneTarget) {
  Parsed parsed = Parse({"CFG=debug", "all", "other", " X = 1 "});
  EXPECT_EQ(parsed.options.targetName, "all");
  EXPECT_EQ(parsed.macros.LookupMacro("CFG"), "debug");
  EXPECT_EQ(parsed.macros.LookupMacro(" X"), "1");
  EXPECT_FALSE(parsed.macros.LookupMacro("other"));
}

TEST(ParseCommandLine, UnknownOptionsStop) {
  for (const char* option : {"-c", "-", "/", "-Z", "-1", "-\xE3\x81\x82"}) {
    EXPECT_EQ(Parse({option}).result, 1) << option;
  }
}

TEST(ParseCommandLine, UsageStopsBeforeLaterOptions) {
  EXPECT_EQ(Parse({"-H", "-Z"}).result, 1);
  EXPECT_EQ(Parse({"-?"}).result, 1);
}

TEST(ParseCommandLine, LaterModeOptionsWin) {
  Parsed clientAfterServer = Parse({"-B", "-R"});
  EXPECT_EQ(clientAfterServer.options.clientMode, 1);
  EXPECT_EQ(clientAfterServer.options.serverMode, 1);
  Parsed serverAfterClient = Parse({"-R", "-B"});
  EXPECT_EQ(serverAfterClient.options.serverMode, 1);
  EXPECT_EQ(serverAfterClient.options.clientMode, 0);
  Parsed dialog = Parse({"-E", "-B"});
  EXPECT_EQ(dialog.options.serverSettingsDialog, 1);
  Parsed hidden = Parse({"-R", "-C"});
  EXPECT_EQ(hidden.options.clientModeHidden, 1);
  EXPECT_EQ(hidden.options.clientMode, 0);
}

TEST(ParseCommandLine, SilentAndNoExecuteInteract) {
  Parsed echoOnly = Parse({"-S", "-N"});
  EXPECT_EQ(echoOnly.options.silent, 0);
  EXPECT_EQ(echoOnly.options.executeCommands, 0);
  Parsed quiet = Parse({"-N", "-S"});
  EXPECT_EQ(quiet.options.silent, 1);
  EXPECT_EQ(quiet.options.executeCommands, 0);
  EXPECT_EQ(Parse({"-Q"}).options.executeCommands, 0);
  EXPECT_EQ(Parse({"-T"}).options.executeCommands, 0);
  EXPECT_EQ(Parse({"-L"}).options.useDirectRunner, 0);
}

TEST(ParseCommandLine, ProgressOptions) {
  Parsed x2 = Parse({"-X2"});
  EXPECT_EQ(x2.options.progressOutput, 1);
  EXPECT_EQ(x2.options.echoInlineFiles, 1);
  for (const char* other : {"-X22", "-X3", "-x"}) {
    Parsed parsed = Parse({other});
    EXPECT_EQ(parsed.options.progressOutput, 1) << other;
    EXPECT_EQ(parsed.options.echoInlineFiles, 0) << other;
  }
}

TEST(ParseCommandLine, EmptyAndHugeArguments) {
  Parsed parsed = Parse({"", std::string(1 << 20, 'a')});
  EXPECT_EQ(parsed.result, 0);
  EXPECT_EQ(parsed.options.targetName.size(), 1u << 20);
}

}  // namespace
