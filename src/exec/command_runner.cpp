#include "exec/command_runner.h"

#include <chrono>
#include <limits>

#include "exec/line_splitter.h"

namespace exec {

CommandRunner::~CommandRunner() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  ReleaseChild();
}

void CommandRunner::Kill() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  bool childRuns = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready) return;
    killing_ = true;
    childRuns = child_ && !childEnded_;
  }
  if (childRuns) {
    if (child_->Interrupt()) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_for(lock, std::chrono::milliseconds(kBreakGraceMs), [this] { return childEnded_; });
    }
    // Also ends whatever the child left running in its group.
    child_->Terminate();
  }
  ReleaseChild();
  OnKilled();
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = State::Killed;
  busy_ = false;
  commandFinished_ = false;
  exitCode_ = 1;
  killing_ = false;
  changed_.notify_all();
}

bool CommandRunner::IsRunning(int waitLimitMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!busy_) return false;
  // A caller that polls without taking lets the backlog grow.
  bool wake = false;
  for (int stream : {kStdout, kStderr}) {
    if (!queues_[stream].empty() && !takenSincePoll_[stream] && !unlimited_[stream]) {
      unlimited_[stream] = true;
      wake = true;
    }
    takenSincePoll_[stream] = false;
  }
  if (wake && child_) child_->Wake();
  auto news = [this] { return !busy_ || commandFinished_ || delivered_ != seen_; };
  if (waitLimitMs < 0) {
    changed_.wait(lock, news);
  } else {
    changed_.wait_for(lock, std::chrono::milliseconds(waitLimitMs), news);
  }
  seen_ = delivered_;
  if (busy_ && commandFinished_) FinishCommand();
  return busy_;
}

bool CommandRunner::TakeStdout(std::string& text) { return Take(kStdout, text, DropsStdoutBacklog()); }

bool CommandRunner::TakeStderr(std::string& text) { return Take(kStderr, text, false); }

bool CommandRunner::Take(int stream, std::string& text, bool dropBacklog) {
  text.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  takenSincePoll_[stream] = true;
  std::deque<std::string>& queue = queues_[stream];
  if (queue.empty()) return true;
  const size_t sizeBefore = queue.size();
  if (dropBacklog && queue.size() > kQueueLimit + 1) {
    text = std::move(queue.front());
  } else {
    size_t total = 0;
    for (const std::string& line : queue) total += line.size();
    text.reserve(total);
    for (const std::string& line : queue) text += line;
  }
  queue.clear();
  WakeReaderIfFull(stream, sizeBefore);
  return false;
}

bool CommandRunner::WaitLine(std::string& line, bool wait) {
  line.clear();
  std::unique_lock<std::mutex> lock(mutex_);
  std::deque<std::string>& queue = queues_[kStdout];
  if (wait) changed_.wait(lock, [&] { return !queue.empty() || !busy_ || commandFinished_; });
  takenSincePoll_[kStdout] = true;
  if (queue.empty()) return false;
  const size_t sizeBefore = queue.size();
  line = std::move(queue.front());
  queue.pop_front();
  WakeReaderIfFull(kStdout, sizeBefore);
  return true;
}

int CommandRunner::ExitCode() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (busy_ && commandFinished_) FinishCommand();
  return exitCode_;
}

bool CommandRunner::ClearQueues(int flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearQueuesLocked(flags);
  return true;
}

void CommandRunner::ClearQueuesLocked(int flags) {
  for (int stream : {kStdout, kStderr}) {
    if ((flags & (1 << stream)) == 0) continue;
    const size_t sizeBefore = queues_[stream].size();
    queues_[stream].clear();
    WakeReaderIfFull(stream, sizeBefore);
  }
}

void CommandRunner::WakeReaderIfFull(int stream, size_t sizeBefore) {
  if (sizeBefore >= kQueueLimit && !unlimited_[stream] && child_) child_->Wake();
}

void CommandRunner::Queue(int stream, std::string&& line) {
  queues_[stream].push_back(std::move(line));
  ++delivered_;
}

bool CommandRunner::Adopt(std::unique_ptr<platform::ChildProcess> child) {
  platform::ChildProcess* reading = child.get();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    child_ = std::move(child);
    childEnded_ = false;
    outputEnded_ = false;
  }
  stopReader_ = false;
  if (reader_.Begin([this, reading] { ReadOutput(*reading); })) return true;
  ReleaseChild();
  return false;
}

void CommandRunner::ReleaseChild() {
  stopReader_ = true;
  if (child_) child_->Wake();
  reader_.Join();
  std::unique_ptr<platform::ChildProcess> released;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    released = std::move(child_);
    outputEnded_ = true;
  }
  // Destroying it ends a child that still runs and collects its status.
}

void CommandRunner::BeginCommand(int provisionalExitCode) {
  for (int stream : {kStdout, kStderr}) {
    queues_[stream].clear();
    unlimited_[stream] = false;
    takenSincePoll_[stream] = true;
  }
  seen_ = delivered_;
  busy_ = true;
  commandFinished_ = false;
  exitCode_ = provisionalExitCode;
}

void CommandRunner::FinishCommand() {
  busy_ = false;
  exitCode_ = killing_ ? 1 : commandStatus_;
  OnCommandFinished();
}

size_t CommandRunner::Room(int stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (unlimited_[stream]) return std::numeric_limits<size_t>::max();
  const size_t queued = queues_[stream].size();
  return queued >= kQueueLimit ? 0 : kQueueLimit - queued;
}

void CommandRunner::Deliver(int stream, std::vector<std::string>& lines) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::string& line : lines) Enqueue(stream, std::move(line));
  lines.clear();
  changed_.notify_all();
}

// The reader thread. Reads both pipes as data comes, hands complete lines
// on while their queue has room, and finishes once the child has ended and
// everything it wrote has been handed on; a last line without a line feed
// goes on as it is.
void CommandRunner::ReadOutput(platform::ChildProcess& child) {
  using platform::OutputStream;
  using platform::PipeRead;
  LineSplitter splitters[2];
  bool closed[2] = {false, false};
  bool endNoted = false;
  std::string chunk;
  std::vector<std::string> lines;
  while (!stopReader_) {
    // Taken before reading: once the child has ended, pipes found empty
    // afterwards hold nothing more from it.
    const bool ended = child.HasEnded();
    if (ended && !endNoted) {
      endNoted = true;
      std::lock_guard<std::mutex> lock(mutex_);
      childEnded_ = true;
      changed_.notify_all();
    }
    bool progressed = false;
    bool held = false;
    size_t room[2];
    for (int stream : {kStdout, kStderr}) {
      room[stream] = Room(stream);
      if (room[stream] == 0) {
        held = held || !closed[stream] || splitters[stream].HasLine();
        continue;
      }
      if (splitters[stream].HasLine()) {
        splitters[stream].TakeLines(room[stream], lines);
        Deliver(stream, lines);
        progressed = true;
        continue;
      }
      if (closed[stream]) continue;
      chunk.clear();
      switch (child.ReadOutput(static_cast<OutputStream>(stream), chunk)) {
        case PipeRead::Data:
          splitters[stream].Feed(chunk);
          progressed = true;
          break;
        case PipeRead::Closed:
          closed[stream] = true;
          progressed = true;
          break;
        case PipeRead::Empty:
          break;
      }
    }
    if (progressed) continue;
    if (ended && !held) break;
    child.WaitForActivity(!closed[kStdout] && room[kStdout] > 0, !closed[kStderr] && room[kStderr] > 0);
  }
  child.CloseOutput();
  if (stopReader_) return;
  for (int stream : {kStdout, kStderr}) {
    std::string rest = splitters[stream].TakeRest();
    if (rest.empty()) continue;
    lines.push_back(std::move(rest));
    Deliver(stream, lines);
  }
  std::lock_guard<std::mutex> lock(mutex_);
  outputEnded_ = true;
  OnOutputEnded(child.ExitStatus());
  changed_.notify_all();
}

}  // namespace exec
