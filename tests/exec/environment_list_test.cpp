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
  const std::pair<std::vector<std::string>, Entries> cases[] = {
      {{"A=1", "B=2", "A=3"}, {"A=3", "B=2"}},
      {{"A=1", "B=2", "A="}, {"B=2"}},
      {{"B=2", "C=x=y z"}, {"B=2", "C=x=y z"}},
      // A quoted assignment takes the text between the quotes.
      {{"\"D=a b\" ignored"}, {"D=a b"}},
      // Text without a name and '=' changes nothing.
      {{"A=1", "", "A", "=1", "\"\""}, {"A=1"}},
      // Names compare as the platform compares them.
      {{"Name=1", "NAME=2"}, exec_test::IsPosixShell() ? Entries{"Name=1", "NAME=2"} : Entries{"NAME=2"}},
  };
  for (const auto& [texts, entries] : cases) {
    exec::EnvironmentList list;
    for (const std::string& text : texts) EXPECT_EQ(exec::RunSetCommand(text, list), 0) << text;
    EXPECT_EQ(list.Entries(), entries);
  }
}

}  // namespace
