#include "engine/local_worker.h"

#include <string_view>
#include <vector>

#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "engine/compilation_database.h"
#include "engine/inline_file_writer.h"
#include "engine/model_report.h"
#include "engine/name_token.h"
#include "engine/path_parts.h"
#include "exec/batch_runner.h"
#include "exec/direct_runner.h"
#include "platform/file_status.h"
#include "platform/line_ends.h"
#include "platform/text.h"

namespace engine {
namespace {

constexpr const char* kNoProcessorUtf8 =
    "コマンドプロセッサ COMMAND.COM(CMD.EXE)の位置が不明な為、実行できません。\n";
constexpr const char* kStartFailedUtf8 =
    "コマンドの実行に失敗しました。コマンドが実行できるかどうか確認してください\n";

std::unique_ptr<exec::CommandRunner> MakeRunner(bool direct) {
  if (direct) return std::make_unique<exec::DirectRunner>();
  return std::make_unique<exec::BatchRunner>();
}

}  // namespace

int TouchFile(const std::string& name) {
  switch (platform::TouchPath(name)) {
    case platform::TouchResult::Touched: return 0;
    case platform::TouchResult::Missing: return 2;
    case platform::TouchResult::Failed: break;
  }
  return 3;
}

LocalWorker::LocalWorker(const BuildSettings& settings, LocalBuildState& build, SharedConsole& console, bool holdOutput)
    : settings_(settings), build_(build), output_(console, holdOutput), runner_(MakeRunner(settings.useDirectRunner)) {}

LocalWorker::~LocalWorker() = default;

int LocalWorker::Start() { return runner_->Start(); }

void LocalWorker::Close() { runner_->Close(); }

void LocalWorker::Cancel() {
  std::lock_guard<std::mutex> hold(commandMutex_);
  if (commandRunning_) runner_->Kill();
}

TargetOutcome LocalWorker::Build(TargetNode& target) {
  const TargetOutcome outcome = BuildTarget(target);
  output_.Flush();
  return outcome;
}

TargetOutcome LocalWorker::BuildTarget(TargetNode& target) {
  if (settings_.showTimestamps) Show(TimestampReport(target));

  if (settings_.compilationDatabase) {
    settings_.compilationDatabase->Add(target.commands->Lines());
    return TargetOutcome::WouldBeMade;
  }

  if (settings_.touchOnly) {
    const int touched = TouchFile(target.name);
    const unsigned message = touched == 0   ? diag::msg::kTimestampUpdated
                             : touched == 2 ? diag::msg::kTimestampTargetMissing
                                            : diag::msg::kTimestampUpdateFailed;
    Show(diag::FormatCatalogMessage(message, target.name) + "\n");
    return TargetOutcome::Done;
  }

  if (settings_.progressOutput) output_.Progress(LastPathComponent(target.name));

  // Copies: the lines stay as they are in the model while they run.
  const std::vector<CommandLine> lines = target.commands->Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    const CommandLine& line = lines[i];
    if (build_.Cancelled()) return TargetOutcome::Stopped;
    const std::uint64_t start = CommandStarting();
    const int code = RunCommandLine(line);
    if (settings_.executeCommands) CommandEnded(target, i, start, code);
    // A command ended by a cancel has not failed on its own: the cancel
    // is reported once, where it was asked for.
    if (build_.Cancelled()) return TargetOutcome::Stopped;
    if (code == 0 || line.IgnoreError() || settings_.ignoreErrors) continue;
    if (!settings_.keepGoing) {
      output_.Stderr(diag::FatalErrorText(diag::FormatCatalogMessage(diag::msg::kCommandReturned, line.text, code)));
    } else {
      std::string_view text = line.text;
      const std::string program = SplitPath(ReadNameToken(text)).base;
      output_.Stderr(diag::FormatCatalogMessage(
          settings_.progressOutput ? diag::msg::kExecutionError : diag::msg::kCommandFailedError, program, code));
    }
    build_.NoteFailure(code);
    return TargetOutcome::Failed;
  }
  return settings_.executeCommands ? TargetOutcome::Done : TargetOutcome::WouldBeMade;
}

int LocalWorker::RunCommandLine(const CommandLine& original) {
  CommandLine line = original;
  std::string failedName;
  if (line.inlineKind != InlineKind::None && !WriteInlineFile(line, failedName)) {
    output_.Stderr(diag::WarningText(diag::FormatCatalogMessage(diag::msg::kInlineFileNotCreated, failedName)));
    return 1;
  }

  if (settings_.echoInlineFiles) {
    std::string echo = line.text;
    if (!line.inlineContent.empty()) echo += " >>\n" + line.inlineContent + ">>\n";
    Show(echo);
  } else if (!line.Silent() && !settings_.silent && !settings_.progressOutput) {
    output_.Stdout("  " + line.text + "\n");
  }

  if (!settings_.executeCommands) return 0;
  return RunCommand(line.text, line.Silent());
}

int LocalWorker::RunCommand(const std::string& text, bool silent) {
  int started = 0;
  {
    std::lock_guard<std::mutex> hold(commandMutex_);
    if (build_.Cancelled()) return 1;
    started = runner_->Exec(text);
    commandRunning_ = started == 0;
  }
  if (started == 1) {
    output_.Stderr(diag::WarningText(platform::NarrowFromUtf8(kNoProcessorUtf8)));
    return 1;
  }
  if (started != 0) {
    output_.Stderr(diag::WarningText(platform::NarrowFromUtf8(kStartFailedUtf8)));
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
void LocalWorker::PassOutput(bool silent) {
  std::string text;
  runner_->TakeStdout(text);
  if (!text.empty() && !silent) {
    Show(platform::FromTextLineEnds(std::move(text)));
  }
  text.clear();
  runner_->TakeStderr(text);
  if (!text.empty() && !silent) output_.Stderr(platform::FromTextLineEnds(std::move(text)));
}

void LocalWorker::Show(std::string_view text) {
  if (settings_.progressOutput) {
    output_.Stderr(text);
  } else {
    output_.Stdout(text);
  }
}

}  // namespace engine
