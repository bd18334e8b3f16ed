#include "engine/build_engine.h"

#include <string_view>

#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "engine/inline_file_writer.h"
#include "engine/model_report.h"
#include "engine/name_token.h"
#include "engine/path_parts.h"
#include "exec/batch_runner.h"
#include "exec/direct_runner.h"
#include "platform/console.h"
#include "platform/file_status.h"
#include "platform/line_ends.h"
#include "platform/text.h"

namespace engine {
namespace {

constexpr const char* kNoProcessorUtf8 =
    "コマンドプロセッサ COMMAND.COM(CMD.EXE)の位置が不明な為、実行できません。\n";
constexpr const char* kStartFailedUtf8 =
    "コマンドの実行に失敗しました。コマンドが実行できるかどうか確認してください\n";

std::string Component(const std::string& name) { return std::string(LastPathComponent(name)); }

}  // namespace

bool CheckModelBuildable(const TargetModel& model) {
  if (!model.HasRoots() || model.HasRootCycle()) {
    diag::FatalError(diag::LoadMessage(22508));
    return false;
  }
  const std::vector<const TargetNode*> cycle = model.FindDependencyCycle();
  if (cycle.empty()) return true;
  diag::FatalError(diag::FormatCatalogMessage(20028, DescribeCycle(cycle)));
  return false;
}

int TouchFile(const std::string& name) {
  switch (platform::TouchPath(name)) {
    case platform::TouchResult::Touched: return 0;
    case platform::TouchResult::Missing: return 2;
    case platform::TouchResult::Failed: break;
  }
  return 3;
}

BuildEngine::BuildEngine(const app::BuildOptions& options, TargetModel& model)
    : options_(options), model_(model), walker_(model) {}

BuildEngine::~BuildEngine() = default;

int BuildEngine::Run() {
  std::unique_ptr<exec::CommandRunner> runner;
  if (options_.useDirectRunner) {
    runner = std::make_unique<exec::DirectRunner>();
  } else {
    runner = std::make_unique<exec::BatchRunner>();
  }
  const int started = runner->Start();
  if (started != 0) {
    diag::FatalError(diag::LoadMessage(started == 1 ? 21001 : 21002));
    return 1;
  }
  {
    std::lock_guard<std::mutex> hold(commandMutex_);
    runner_ = std::move(runner);
  }
  if (options_.showTimestamps) model_.KeepLoadedDependents();
  if (options_.progressOutput) {
    const int count = walker_.CountOutOfDate(options_.targetName, options_.buildAll);
    platform::WriteStdout(diag::FormatPrintf("MaxCount: %d\n", count));
  }
  const int result = BuildLoop();
  runner_->Close();
  std::lock_guard<std::mutex> hold(commandMutex_);
  runner_.reset();
  return result;
}

void BuildEngine::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> hold(commandMutex_);
  if (commandRunning_ && runner_) runner_->Kill();
}

int BuildEngine::BuildLoop() {
  for (;;) {
    if (cancelled_) return FailureResult();
    const WalkResult next = walker_.NextBuildTarget(options_.targetName, options_.buildAll);
    if (next.status == WalkStatus::MissingFile) {
      const std::string missing = Component(walker_.LastMissingFile());
      if (options_.keepGoing && firstFailure_ == 0) {
        platform::WriteStderr(diag::FormatCatalogMessage(23602, missing) + "\n");
        firstFailure_ = 1;
        continue;
      }
      diag::FatalError(diag::FormatCatalogMessage(30008, missing));
      return FailureResult();
    }
    if (next.status != WalkStatus::Selected) return firstFailure_;
    int result = 0;
    if (!BuildTarget(*next.target, result)) return result;
  }
}

// False when the build ends here, with `result`.
bool BuildEngine::BuildTarget(TargetNode& target, int& result) {
  target.commands->SetState(BuildState::Done);
  if (options_.showTimestamps) PrintTimestamps(target);

  if (options_.touchOnly) {
    const int touched = TouchFile(target.name);
    const unsigned message = touched == 0 ? 22500 : touched == 2 ? 22501 : 22502;
    platform::WriteStdout(diag::FormatCatalogMessage(message, target.name) + "\n");
    return true;
  }

  if (options_.progressOutput) {
    platform::WriteStderr(Component(target.name) + "\n");
    platform::WriteStdout(diag::FormatPrintf("Count: %d\n", ++progressCount_));
  }

  // Copies: the lines stay as they are in the model while they run.
  const std::vector<CommandLine> lines = target.commands->Lines();
  for (const CommandLine& line : lines) {
    if (cancelled_) {
      result = FailureResult();
      return false;
    }
    const int code = RunCommandLine(line);
    if (code == 0 || line.IgnoreError() || options_.ignoreErrors) continue;
    if (!options_.keepGoing) {
      diag::FatalError(diag::FormatCatalogMessage(22504, line.text, code));
      result = 1;
      return false;
    }
    std::string_view text = line.text;
    const std::string program = SplitPath(ReadNameToken(text)).base;
    platform::WriteStderr(diag::FormatCatalogMessage(options_.progressOutput ? 30010 : 22003, program, code));
    if (firstFailure_ == 0) firstFailure_ = code;
    target.commands->SetState(BuildState::Failed);
    break;
  }
  return true;
}

int BuildEngine::RunCommandLine(const CommandLine& original) {
  CommandLine line = original;
  std::string failedName;
  if (line.inlineKind != InlineKind::None && !WriteInlineFile(line, failedName)) {
    diag::Warning(diag::FormatCatalogMessage(22509, failedName));
    return 1;
  }

  auto writeOutput = options_.progressOutput ? platform::WriteStderr : platform::WriteStdout;
  if (options_.echoInlineFiles) {
    writeOutput(line.text);
    if (!line.inlineContent.empty()) writeOutput(" >>\n" + line.inlineContent + ">>\n");
  } else if (!line.Silent() && !options_.silent && !options_.progressOutput) {
    platform::WriteStdout("  " + line.text + "\n");
  }

  if (!options_.executeCommands) return 0;
  return RunCommand(line.text, line.Silent());
}

int BuildEngine::RunCommand(const std::string& text, bool silent) {
  int started = 0;
  {
    std::lock_guard<std::mutex> hold(commandMutex_);
    if (cancelled_) return 1;
    started = runner_->Exec(text);
    commandRunning_ = started == 0;
  }
  if (started == 1) {
    diag::Warning(platform::NarrowFromUtf8(kNoProcessorUtf8));
    return 1;
  }
  if (started != 0) {
    diag::Warning(platform::NarrowFromUtf8(kStartFailedUtf8));
    return 2;
  }
  while (runner_->IsRunning()) PassOutput(silent);
  PassOutput(silent);
  {
    std::lock_guard<std::mutex> hold(commandMutex_);
    commandRunning_ = false;
  }
  return runner_->ExitCode();
}

// What the command wrote so far: standard output to the output stream,
// standard error to standard error; nothing for a silent line. The bytes
// reach the stream as the command wrote them.
void BuildEngine::PassOutput(bool silent) {
  std::string text;
  runner_->TakeStdout(text);
  if (!text.empty() && !silent) {
    text = platform::FromTextLineEnds(std::move(text));
    if (options_.progressOutput) {
      platform::WriteStderr(text);
    } else {
      platform::WriteStdout(text);
    }
  }
  text.clear();
  runner_->TakeStderr(text);
  if (!text.empty() && !silent) platform::WriteStderr(platform::FromTextLineEnds(std::move(text)));
}

}  // namespace engine
