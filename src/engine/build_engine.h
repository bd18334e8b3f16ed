// The local build: runs the commands of every target the walk gives back,
// as the options say (echo, run, touch, keep going), and decides the exit
// code.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "app/build_options.h"
#include "engine/target_model.h"
#include "engine/target_walker.h"

namespace exec {
class CommandRunner;
}

namespace engine {

// Reports a model that cannot be built: no target at all or a root that
// depends on itself (message 22508), or a dependency cycle anywhere (named
// in the message). True when the model can be built.
bool CheckModelBuildable(const TargetModel& model);

// Sets the modification time of `name` to now: 0 done, 2 no such file,
// 3 the time could not be set.
int TouchFile(const std::string& name);

class BuildEngine {
 public:
  BuildEngine(const app::BuildOptions& options, TargetModel& model);
  ~BuildEngine();
  BuildEngine(const BuildEngine&) = delete;
  BuildEngine& operator=(const BuildEngine&) = delete;

  // Starts the runner the options choose, builds, and closes the runner.
  // Gives the exit code: 0, 1, or under -K the first failing command's.
  int Run();

  // Stops the build: the running command is broken off and no other one
  // starts. Safe from any thread, at any time.
  void Cancel();

 private:
  int BuildLoop();
  // False when the build ends with this target, with `result`.
  bool BuildTarget(TargetNode& target, int& result);
  // Writes the inline file, echoes, runs: the line's result code.
  int RunCommandLine(const CommandLine& line);
  int RunCommand(const std::string& text, bool silent);
  void PassOutput(bool silent);
  int FailureResult() const { return firstFailure_ != 0 ? firstFailure_ : 1; }

  const app::BuildOptions& options_;
  TargetModel& model_;
  TargetWalker walker_;
  std::unique_ptr<exec::CommandRunner> runner_;
  std::mutex commandMutex_;  // the runner pointer and commandRunning_
  bool commandRunning_ = false;
  std::atomic<bool> cancelled_{false};
  int firstFailure_ = 0;
  int progressCount_ = 0;
};

}  // namespace engine
