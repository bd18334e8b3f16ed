#include "makefile/macro_table.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace makefile {
namespace {

// Later definitions replace earlier ones; SetMacro only when asked.
TEST(MacroTable, DefinitionsReplace) {
  MacroTable table;
  table.DefineMacro("VAR", "1");
  table.DefineMacro("VAR", "2");
  EXPECT_EQ(table.LookupMacro("VAR"), "2");
  EXPECT_FALSE(table.LookupMacro("var"));
  EXPECT_EQ(table.SetMacro("A", "1", false), 1);
  EXPECT_EQ(table.SetMacro("A", "2", false), 0);
  EXPECT_EQ(table.LookupMacro("A"), "1");
  EXPECT_EQ(table.SetMacro("A", "3", true), 0);
  EXPECT_EQ(table.LookupMacro("A"), "3");
}

TEST(ParseMacroDefinition, SplitsAtTheFirstEquals) {
  MacroTable table;
  EXPECT_TRUE(table.ParseMacroDefinition("CFLAGS = -O2 -DX=1 "));
  EXPECT_EQ(table.LookupMacro("CFLAGS"), "-O2 -DX=1");
  EXPECT_TRUE(table.ParseMacroDefinition("EMPTY="));
  EXPECT_EQ(table.LookupMacro("EMPTY"), "");
  EXPECT_TRUE(table.ParseMacroDefinition("=nameless"));
  EXPECT_EQ(table.LookupMacro(""), "nameless");
  EXPECT_FALSE(table.ParseMacroDefinition("all: a b"));
  // Leading blanks belong to the name; any line with '=' is a definition.
  EXPECT_TRUE(table.ParseMacroDefinition("  CC\t= cl"));
  EXPECT_EQ(table.LookupMacro("  CC"), "cl");
  EXPECT_FALSE(table.LookupMacro("CC"));
  EXPECT_TRUE(table.ParseMacroDefinition("all: CFG=debug"));
  EXPECT_EQ(table.LookupMacro("all: CFG"), "debug");
}

TEST(ImportEnvironment, TakesLongValuesWholeAndReplacesCommandLineValues) {
  static std::string longEntry = std::string("BRAMLE_TEST_LONG=").append(5000, 'v');
  static std::string shortEntry = "BRAMLE_TEST_SHORT=env";
  putenv(longEntry.data());
  putenv(shortEntry.data());
  MacroTable table;
  table.DefineMacro("BRAMLE_TEST_SHORT", "command line");
  table.ImportEnvironment();
  EXPECT_EQ(table.LookupMacro("BRAMLE_TEST_LONG"), std::string(5000, 'v'));
  EXPECT_EQ(table.LookupMacro("BRAMLE_TEST_SHORT"), "env");
}

}  // namespace
}  // namespace makefile
