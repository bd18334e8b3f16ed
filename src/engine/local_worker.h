// The local build's worker: runs a target's command lines through a
// CommandRunner of its own, as the options say (echo, run, touch, keep
// going).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/build_settings.h"
#include "engine/target_worker.h"
#include "engine/worker_output.h"

namespace exec {
class CommandRunner;
}

namespace engine {

// Sets the modification time of `name` to now: 0 done, 2 no such file,
// 3 the time could not be set.
int TouchFile(const std::string& name);

// What the workers of one local build share besides the console.
class LocalBuildState {
 public:
  // Ctrl+C, or an output that closed: running commands are killed, no
  // command starts.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  // The first failing code is the exit code under -K.
  void NoteFailure(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (firstFailure_ == 0) firstFailure_ = code;
  }
  int FirstFailure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstFailure_;
  }
  // The exit code of a build that failed: the first failing code, else 1.
  int FailureResult() const {
    const int first = FirstFailure();
    return first != 0 ? first : 1;
  }

 private:
  std::atomic<bool> cancelled_{false};
  mutable std::mutex mutex_;
  int firstFailure_ = 0;
};

class LocalWorker : public TargetWorker {
 public:
  LocalWorker(const BuildSettings& settings, LocalBuildState& build, SharedConsole& console, bool holdOutput);
  ~LocalWorker() override;

  // Starts the runner: 0, or 1 (no pipe) or 2 (no command processor).
  int Start();
  void Close();

  TargetOutcome Build(TargetNode& target) override;
  void Cancel() override;

 private:
  TargetOutcome BuildTarget(TargetNode& target);
  // Writes the inline file, echoes, runs: the line's result code.
  int RunCommandLine(const CommandLine& line);
  int RunCommand(const std::string& text, bool silent);
  void PassOutput(bool silent);
  // Echoes, command output and notices: standard output, or standard error
  // when standard output is kept for the progress lines (-X).
  void Show(std::string_view text);

  const BuildSettings& settings_;
  LocalBuildState& build_;
  WorkerOutput output_;
  std::unique_ptr<exec::CommandRunner> runner_;
  std::mutex commandMutex_;  // commandRunning_; Exec against Kill
  bool commandRunning_ = false;
};

}  // namespace engine
