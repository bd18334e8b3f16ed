#include "exec/builtin_commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support/bramle_process.h"

namespace {

// The 32 names, synonyms grouped in order; only "set" has a handler.
TEST(BuiltinCommandsTest, NamesAndTableHoldTheSame32Names) {
  auto names = exec::ShellCommandNames();
  auto table = exec::BuiltinCommandTable();
  ASSERT_EQ(names.size(), 32u);
  ASSERT_EQ(table.size(), 32u);
  std::set<std::string_view> fromNames(names.begin(), names.end());
  std::set<std::string_view> fromTable;
  int previous = 0;
  for (const auto& row : table) {
    fromTable.insert(row.name);
    EXPECT_GE(row.group, previous);
    EXPECT_LE(row.group, previous + 1);
    EXPECT_LT(row.group, exec::kBuiltinGroupCount);
    EXPECT_EQ(row.handler != nullptr, row.name == "set") << row.name;
    previous = row.group;
  }
  EXPECT_EQ(fromNames, fromTable);
  EXPECT_EQ(exec::FindBuiltin("chdir")->group, exec::FindBuiltin("cd")->group);
  EXPECT_EQ(exec::FindBuiltin("md")->group, exec::FindBuiltin("mkdir")->group);
  EXPECT_EQ(exec::FindBuiltin("vol")->group, 27);
}

TEST(BuiltinCommandsTest, FindBuiltinIgnoresCaseButNotQuotes) {
  for (const char* name : {"ECHO", "Copy"}) EXPECT_NE(exec::FindBuiltin(name), nullptr) << name;
  for (const char* name : {"\"echo\"", "echoes", ""}) EXPECT_EQ(exec::FindBuiltin(name), nullptr) << name;
}

TEST(BuiltinCommandsTest, IsShellCommandIsALooseSubstringTestAfterTheLastSeparator) {
  EXPECT_TRUE(exec::IsShellCommand("echo x"));
  EXPECT_TRUE(exec::IsShellCommand("cl model.c"));  // contains "del"
  EXPECT_FALSE(exec::IsShellCommand("ECHO x"));     // case counts
  EXPECT_FALSE(exec::IsShellCommand("cl /c a.c"));
  EXPECT_TRUE(exec::IsShellCommand(testing_support::NativePath("C:\\tools\\echo.exe x")));
  EXPECT_FALSE(exec::IsShellCommand(testing_support::NativePath("C:\\echo\\cl.exe")));
  EXPECT_FALSE(exec::IsShellCommand(""));
  // In code page 932 the second byte of 表 is a backslash; it separates nothing.
  EXPECT_TRUE(exec::IsShellCommand(testing_support::NativePath(testing_support::Narrow("x\\echo表 y"))));
}

// The refusal reads the program name only, as the processor does.
TEST(BuiltinCommandsTest, IsBuiltinCommandLineLooksAtTheProgramOnly) {
  const struct {
    const char* line;
    bool builtin;
  } cases[] = {
      {"del x", true},          {"DEL x", true},        {"  Echo hello", true},    {"echo.", true},
      {"cd..", true},           {"del/q x", true},      {"dir>out.txt", true},     {"\"copy\" a b", true},
      {"C:\\tools\\del x", true}, {"cl model.c", false},  {"gcc -c render.c", false}, {"cl /c a.c", false},
      {"deltree x", false},     {"\"my del\" x", false}, {"", false},              {"   ", false},
      {"C:\\del\\cl.exe x", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(exec::IsBuiltinCommandLine(testing_support::NativePath(c.line)), c.builtin) << c.line;
  }
}

}  // namespace
