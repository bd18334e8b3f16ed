#include "exec/batch_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "exec/command_processor.h"
#include "platform/scratch_files.h"

namespace exec {
namespace {

std::string NewToken() {
  std::random_device device;
  std::uint64_t value = (static_cast<std::uint64_t>(device()) << 32) ^ device() ^
                        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  char text[32];
  std::snprintf(text, sizeof text, "bramle-%016llx", static_cast<unsigned long long>(value));
  return text;
}

// The status after the sentinel, read as the C library's text-to-integer
// conversion reads it (0 when there is none).
int StatusAfter(const std::string& line, size_t position) {
  return static_cast<int>(std::strtol(line.c_str() + position, nullptr, 10));
}

}  // namespace

// The processor talks between commands too, so a thread keeps reading it
// (or the event loop, under ReportTo).
BatchRunner::BatchRunner(const BatchDialect& dialect) : CommandRunner(Reader::Thread), dialect_(dialect) {}

BatchRunner::~BatchRunner() { Close(); }

int BatchRunner::Start() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == State::Ready) return 0;
  }
  if (FindCommandProcessor(processor_) != 0) return 2;
  token_ = NewToken();
  ready_ = token_ + "-R";
  begin_ = token_ + "-B";
  end_ = token_ + "-E";
  if (!dialect_.syncFile.empty()) {
    const std::string content = FillTemplate(dialect_.syncFile, "", "", "", token_);
    syncBase_ = ClaimScratchFile(platform::TemporaryDirectory(), dialect_.extension,
                                 [&](const std::string&) { return content; });
    if (syncBase_.empty()) return 2;
    sync_ = QuotePath(syncBase_ + std::string(dialect_.extension), dialect_);
  }
  const int started = StartProcessor();
  if (started != 0) {
    RemoveSyncFile();
    return started;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = State::Ready;
  busy_ = false;
  return 0;
}

int BatchRunner::StartProcessor() {
  ReleaseChild();
  platform::LaunchRequest request;
  request.kind = platform::LaunchKind::Processor;
  request.processor = processor_;
  request.inputPipe = true;
  auto child = std::make_unique<platform::ChildProcess>();
  const int started = child->Start(request);
  if (started != 0) return started;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    phase_[kStdout] = phase_[kStderr] = Phase::AwaitingReady;
    streamDone_[kStdout] = streamDone_[kStderr] = false;
    processorReady_ = false;
  }
  if (!Adopt(std::move(child))) return 2;
  const std::string line = FillTemplate(dialect_.startLine, "", "", sync_, token_) + std::string(dialect_.lineEnd);
  child_->WriteInput(line);
  std::unique_lock<std::mutex> lock(mutex_);
  WaitUntil(lock, kProcessorAnswerMs, [this] { return processorReady_ || outputEnded_; });
  if (processorReady_) return 0;
  lock.unlock();
  ReleaseChild();
  return 2;
}

int BatchRunner::Exec(const std::string& commandLine) {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  bool processorGone = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready || (busy_ && !commandFinished_)) return 2;
    if (busy_) FinishCommand();
    if (commandLine.find_first_not_of(" \t") == std::string::npos) {
      BeginCommand(0);
      busy_ = false;
      return 0;
    }
    processorGone = outputEnded_;
  }
  if (processorGone && StartProcessor() != 0) return 2;

  std::string batch = commandLine;
  std::string base;
  if (!WriteBatch(batch, base, dialect_, platform::TemporaryDirectory())) return 2;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    BeginCommand(-1);
    baseName_ = base;
    if (outputEnded_) {
      // The processor went after the check above; the next Exec starts one.
      busy_ = false;
      RemoveBatchFiles();
      return 2;
    }
    streamDone_[kStdout] = streamDone_[kStderr] = false;
  }
  // A processor that goes from here on reports its end through the reader.
  child_->WriteInput(FillTemplate(dialect_.commandLine, QuotePath(batch, dialect_), "", sync_, token_) +
                     std::string(dialect_.lineEnd));
  return 0;
}

void BatchRunner::Close() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  bool running = false;
  bool processorAlive = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready) return;
    running = busy_ && !commandFinished_;
    processorAlive = child_ && !childEnded_;
  }
  if (processorAlive && running) {
    child_->Terminate();
  } else if (processorAlive) {
    child_->WriteInput(std::string(dialect_.quitLine) + std::string(dialect_.lineEnd));
    std::unique_lock<std::mutex> lock(mutex_);
    WaitUntil(lock, kBreakGraceMs, [this] { return childEnded_; });
    lock.unlock();
    child_->Terminate();
  }
  ReleaseChild();
  RemoveSyncFile();
  std::lock_guard<std::mutex> lock(mutex_);
  RemoveBatchFiles();
  ClearQueuesLocked(3);
  state_ = State::Closed;
  busy_ = false;
  changed_.notify_all();
}

void BatchRunner::Enqueue(int stream, std::string&& lines) {
  // Lines outside a command are dropped up to the one with the sentinel
  // that changes the phase; so is the rest of that line.
  size_t at = 0;
  while (at < lines.size()) {
    const std::string& sentinel = phase_[stream] == Phase::AwaitingReady ? ready_
                                  : phase_[stream] == Phase::Idle        ? begin_
                                                                         : end_;
    const size_t found = lines.find(sentinel, at);
    if (found == std::string::npos) {
      if (phase_[stream] == Phase::Command) Queue(stream, at == 0 ? std::move(lines) : lines.substr(at));
      return;
    }
    const size_t lineEnd = std::min(lines.find('\n', found), lines.size());
    switch (phase_[stream]) {
      case Phase::AwaitingReady:
        phase_[stream] = Phase::Idle;
        processorReady_ = phase_[kStdout] == Phase::Idle && phase_[kStderr] == Phase::Idle;
        break;
      case Phase::Idle: phase_[stream] = Phase::Command; break;
      case Phase::Command:
        // What stands before the sentinel is the command's output, its
        // last line without a line end of its own.
        if (stream == kStdout) commandStatus_ = StatusAfter(lines.substr(found, lineEnd - found), end_.size());
        if (found > at) Queue(stream, lines.substr(at, found - at));
        phase_[stream] = Phase::Idle;
        streamDone_[stream] = true;
        if (streamDone_[kStdout] && streamDone_[kStderr]) commandFinished_ = true;
        break;
    }
    at = lineEnd + 1;
  }
}

void BatchRunner::OnOutputEnded(int status) {
  if (busy_ && !commandFinished_) {
    commandStatus_ = status;
    commandFinished_ = true;
  }
}

void BatchRunner::OnCommandFinished() { RemoveBatchFiles(); }

void BatchRunner::OnKilled() {
  RemoveSyncFile();
  std::lock_guard<std::mutex> lock(mutex_);
  RemoveBatchFiles();
}

void BatchRunner::RemoveBatchFiles() {
  if (baseName_.empty()) return;
  platform::RemoveFile(baseName_ + std::string(dialect_.extension));
  platform::RemoveFile(baseName_ + std::string(kMarkerExtension));
  baseName_.clear();
}

void BatchRunner::RemoveSyncFile() {
  if (syncBase_.empty()) return;
  platform::RemoveFile(syncBase_ + std::string(dialect_.extension));
  syncBase_.clear();
  sync_.clear();
}

}  // namespace exec
