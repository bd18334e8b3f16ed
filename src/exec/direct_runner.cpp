#include "exec/direct_runner.h"

#include "exec/builtin_commands.h"
#include "exec/command_line.h"
#include "exec/command_processor.h"
#include "platform/processor_family.h"

namespace exec {

DirectRunner::~DirectRunner() { Close(); }

int DirectRunner::Start() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::Ready) return 0;
  environment_.Snapshot();
  FindCommandProcessor(processor_);
  state_ = State::Ready;
  busy_ = false;
  return 0;
}

DirectRunner::Route DirectRunner::RouteOf(const std::string& commandLine, int& handledStatus) {
  if (commandLine.find_first_not_of(" \t") == std::string::npos) return Route::Nothing;
  SplitCommand split = SplitCommandLine(commandLine);
  if (const BuiltinCommand* builtin = FindBuiltin(split.program)) {
    if (!builtin->handler) return Route::Processor;
    handledStatus = builtin->handler(split.argumentText, environment_);
    return Route::Handled;
  }
  if (split.redirection || ProcessorRunsLine(commandLine, platform::kProcessorFamily)) return Route::Processor;
  return Route::Program;
}

int DirectRunner::Exec(const std::string& commandLine) {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready || (busy_ && !commandFinished_)) return 2;
    if (busy_) FinishCommand();
  }
  ReleaseChild();

  int handledStatus = 0;
  const Route route = RouteOf(commandLine, handledStatus);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    BeginCommand(0);
    busy_ = false;
    if (route == Route::Nothing || route == Route::Handled) {
      exitCode_ = handledStatus;
      return 0;
    }
  }
  if (route == Route::Processor && processor_.empty()) return 1;

  platform::LaunchRequest request;
  request.kind = route == Route::Processor ? platform::LaunchKind::ProcessorLine : platform::LaunchKind::Program;
  request.processor = processor_;
  request.line = commandLine;
  request.environment = &environment_.Entries();
  auto child = std::make_unique<platform::ChildProcess>();
  if (child->Start(request) != 0) return 2;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = true;
  }
  if (Adopt(std::move(child))) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  busy_ = false;
  return 2;
}

void DirectRunner::Close() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready) return;
  }
  ReleaseChild();
  std::lock_guard<std::mutex> lock(mutex_);
  ClearQueuesLocked(3);
  state_ = State::Closed;
  busy_ = false;
  changed_.notify_all();
}

void DirectRunner::Enqueue(int stream, std::string&& lines) { Queue(stream, std::move(lines)); }

void DirectRunner::OnOutputEnded(int status) {
  commandStatus_ = status;
  commandFinished_ = true;
}

}  // namespace exec
