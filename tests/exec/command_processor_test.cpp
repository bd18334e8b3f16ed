#include "exec/command_processor.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/environment_edit.h"
#include "platform/scratch_files.h"
#include "runner_test_support.h"

namespace {

using Candidates = std::vector<std::string>;

TEST(ProcessorCandidatesTest, FoldersInOrderPerFamily) {
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINNT", 1),
            (Candidates{"C:\\WINNT\\cmd.exe", "C:\\WINNT\\SYSTEM\\cmd.exe", "C:\\WINNT\\SYSTEM32\\cmd.exe",
                        "C:\\WINNT\\COMMAND\\cmd.exe"}));
  // A drive root loses its backslash.
  EXPECT_EQ(exec::ProcessorCandidates("C:\\", 1).front(), "C:\\cmd.exe");
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINDOWS", 0).front(), "C:\\WINDOWS\\COMMAND.COM");
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINDOWS", 0).back(), "C:\\WINDOWS\\COMMAND\\COMMAND.COM");
  // Other platforms and short directories give none.
  EXPECT_TRUE(exec::ProcessorCandidates("C:\\WINNT", 2).empty());
  EXPECT_TRUE(exec::ProcessorCandidates("C:\\WINNT", -1).empty());
  EXPECT_TRUE(exec::ProcessorCandidates("C", 1).empty());
}

class FindCommandProcessorTest : public testing::Test {
 protected:
  void TearDown() override { platform::SetEnvironmentVariableText("ComSpec", saved_); }
  std::optional<std::string> saved_ = platform::GetEnvironmentVariableText("ComSpec");
};

TEST_F(FindCommandProcessorTest, ComSpecWinsEvenWhenNoSuchFileExists) {
  ASSERT_TRUE(platform::SetEnvironmentVariableText("ComSpec", std::string("no_such_processor_for_bramle")));
  std::string path = "stale";
  EXPECT_EQ(exec::FindCommandProcessor(path), 0);
  EXPECT_EQ(path, "no_such_processor_for_bramle");
}

TEST_F(FindCommandProcessorTest, WithoutComSpecThePlatformsProcessorIsFound) {
  ASSERT_TRUE(platform::SetEnvironmentVariableText("ComSpec", std::nullopt));
  std::string path;
  ASSERT_EQ(exec::FindCommandProcessor(path), 0);
  EXPECT_TRUE(platform::IsPlainFile(path)) << path;
  if (exec_test::IsPosixShell()) {
    EXPECT_EQ(path, "/bin/sh");
  }
}

TEST(GetPlatformKindTest, MatchesTheBuild) {
  EXPECT_EQ(exec::GetPlatformKind(), exec_test::IsPosixShell() ? 2 : 1);
}

}  // namespace
