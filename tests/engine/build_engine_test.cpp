#include "engine/build_engine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "file_fixture.h"
#include "model_test_support.h"
#include "platform/environment.h"
#include "platform/environment_edit.h"

namespace engine {
namespace {

using test::Line;

class BuildEngineTest : public test::FileFixture {
 protected:
  app::BuildOptions options_;
  TargetModel model_;
};

// A build runs the selected commands; cancelled first, it starts none and
// fails.
TEST_F(BuildEngineTest, BuildRunsTheSelectedCommandsUnlessCancelled) {
  for (const bool cancel : {true, false}) {
    TargetModel model;
    Line(model, "made.txt", "", {"@echo x > made.txt"});
    BuildEngine build(options_, model);
    if (cancel) build.Cancel();
    EXPECT_EQ(build.Run(), cancel ? 1 : 0);
    EXPECT_EQ(Exists("made.txt"), !cancel);
  }
}

TEST_F(BuildEngineTest, RunnerThatCannotStartEndsTheBuild) {
  // The batch runner needs the processor that ComSpec names.
  const std::optional<std::string> saved = platform::GetEnvironmentVariableText("ComSpec");
  platform::SetEnvironmentVariableText("ComSpec", testing_support::NativePath("no\\such\\processor"));
  Line(model_, "made.txt", "", {"echo x > made.txt"});
  options_.useDirectRunner = 0;
  BuildEngine build(options_, model_);
  const int result = build.Run();
  platform::SetEnvironmentVariableText("ComSpec", saved);
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(Exists("made.txt"));
}

TEST_F(BuildEngineTest, TouchFile) {
  MakeFile("old.txt", 100);
  const auto before = ModifiedTime("old.txt");
  EXPECT_EQ(TouchFile("old.txt"), 0);
  EXPECT_GT(ModifiedTime("old.txt"), before);
  EXPECT_EQ(TouchFile("missing.txt"), 2);
  EXPECT_FALSE(Exists("missing.txt"));
}

TEST_F(BuildEngineTest, UnbuildableModels) {
  EXPECT_FALSE(CheckModelBuildable(model_));  // no target at all
  Line(model_, "all", "a");
  EXPECT_TRUE(CheckModelBuildable(model_));
  Line(model_, "a", "b");
  Line(model_, "b", "a");
  EXPECT_FALSE(CheckModelBuildable(model_));
}

}  // namespace
}  // namespace engine
