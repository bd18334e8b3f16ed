#include "exec/environment_list.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "runner_test_support.h"

namespace {

using Entries = std::vector<std::string>;

TEST(EnvironmentListTest, SnapshotHoldsTheProgramsEnvironment) {
  exec::EnvironmentList list;
  list.Snapshot();
  EXPECT_EQ(list.Entries().size(), platform::EnvironmentEntries().size());
  const std::string path = platform::GetEnvironmentVariableText(exec_test::IsPosixShell() ? "PATH" : "Path")
                               .value_or(std::string());
  bool found = false;
  for (const std::string& entry : list.Entries()) found = found || entry.find("=" + path) != std::string::npos;
  EXPECT_TRUE(found);
}

TEST(EnvironmentListTest, SetAddsReplacesAndRemoves) {
  exec::EnvironmentList list;
  list.Set("A=1");
  list.Set("B=2");
  list.Set("A=3");
  EXPECT_EQ(list.Entries(), (Entries{"A=3", "B=2"}));
  list.Set("A=");
  EXPECT_EQ(list.Entries(), (Entries{"B=2"}));
  list.Set("C=x=y z");
  EXPECT_EQ(list.Entries(), (Entries{"B=2", "C=x=y z"}));
}

TEST(EnvironmentListTest, QuotedAssignmentTakesTheTextBetweenTheQuotes) {
  exec::EnvironmentList list;
  list.Set("\"D=a b\" ignored");
  EXPECT_EQ(list.Entries(), (Entries{"D=a b"}));
}

TEST(EnvironmentListTest, TextWithoutNameAndEqualsChangesNothing) {
  exec::EnvironmentList list;
  list.Set("A=1");
  for (const char* text : {"", "A", "=1", "\"\""}) list.Set(text);
  EXPECT_EQ(list.Entries(), (Entries{"A=1"}));
}

TEST(EnvironmentListTest, NamesCompareAsThePlatformCompares) {
  exec::EnvironmentList list;
  list.Set("Name=1");
  list.Set("NAME=2");
  if (exec_test::IsPosixShell()) {
    EXPECT_EQ(list.Entries(), (Entries{"Name=1", "NAME=2"}));
  } else {
    EXPECT_EQ(list.Entries(), (Entries{"NAME=2"}));
  }
}

TEST(EnvironmentListTest, SetCommandAlwaysSucceeds) {
  exec::EnvironmentList list;
  EXPECT_EQ(exec::RunSetCommand("X=1", list), 0);
  EXPECT_EQ(exec::RunSetCommand("", list), 0);
  EXPECT_EQ(list.Entries(), (Entries{"X=1"}));
}

}  // namespace
