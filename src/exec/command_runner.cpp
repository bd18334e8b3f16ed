#include "exec/command_runner.h"

#include <algorithm>
#include <chrono>

namespace exec {

CommandRunner::~CommandRunner() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  ReleaseChild();
}

void CommandRunner::ReportTo(platform::EventLoop& loop, std::function<void()> news) {
  loop_ = &loop;
  news_ = std::move(news);
  // The loop reads a piece only once the one before has been taken: what
  // is read goes on before more is, and little waits in memory.
  queueBound_ = 1;
}

void CommandRunner::Kill() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  bool childRuns = false;
  bool commandRuns = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Ready) return;
    killing_ = true;
    childRuns = child_ && !childEnded_;
    commandRuns = busy_ && !commandFinished_;
  }
  if (childRuns) {
    // Only a command gets the grace period: an idle processor has nothing
    // to finish, and callers kill on every close, where a wait would stall.
    // Waits on the child itself: whoever reads it need not be reading now.
    if (commandRuns && child_->Interrupt()) child_->WaitForEnd(kBreakGraceMs);
    // Also ends whatever the child left running in its group.
    child_->Terminate();
  }
  if (reader_ == Reader::Thread) {
    ReleaseChild();
  } else if (childRuns) {
    CollectKilledChild();
  }
  OnKilled();
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = State::Killed;
  busy_ = false;
  commandFinished_ = false;
  exitCode_ = 1;
  killing_ = false;
  changed_.notify_all();
}

bool CommandRunner::Break() {
  std::lock_guard<std::mutex> life(lifecycleMutex_);
  std::lock_guard<std::mutex> lock(mutex_);
  return state_ == State::Ready && busy_ && !commandFinished_ && child_ && !childEnded_ && child_->Interrupt();
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
  if (wake) WakeReader();
  WaitFor(lock, waitLimitMs, [this] { return !busy_ || commandFinished_ || delivered_ != seen_; });
  seen_ = delivered_;
  if (busy_ && commandFinished_) FinishCommand();
  return busy_;
}

bool CommandRunner::TakeStdout(std::string& text) { return Take(kStdout, text, DropsStdoutBacklog()); }

bool CommandRunner::TakeStderr(std::string& text) { return Take(kStderr, text, false); }

namespace {

// More than `limit` lines in the queue (a last one without a line end
// counts too).
bool MoreLinesThan(const std::deque<std::string>& queue, size_t limit) {
  size_t lines = queue.back().empty() || queue.back().back() == '\n' ? 0 : 1;
  for (const std::string& piece : queue) {
    lines += static_cast<size_t>(std::count(piece.begin(), piece.end(), '\n'));
    if (lines > limit) return true;
  }
  return false;
}

}  // namespace

bool CommandRunner::Take(int stream, std::string& text, bool dropBacklog) {
  text.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  takenSincePoll_[stream] = true;
  std::deque<std::string>& queue = queues_[stream];
  if (queue.empty()) return true;
  // Only a backlog that was let grow can hold that many lines.
  if (dropBacklog && unlimited_[stream] && MoreLinesThan(queue, kQueueLimit + 1)) {
    const std::string& front = queue.front();
    text.assign(front, 0, front.find('\n') + 1);
  } else if (queue.size() == 1) {
    text = std::move(queue.front());
  } else {
    text.reserve(queuedBytes_[stream]);
    for (const std::string& piece : queue) text += piece;
  }
  ClearQueue(stream);
  return false;
}

int CommandRunner::ExitCode() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (busy_ && commandFinished_) FinishCommand();
  return exitCode_;
}

void CommandRunner::ClearQueuesLocked(int flags) {
  for (int stream : {kStdout, kStderr}) {
    if ((flags & (1 << stream)) != 0) ClearQueue(stream);
  }
}

void CommandRunner::ClearQueue(int stream) {
  queues_[stream].clear();
  Dequeued(stream, queuedBytes_[stream]);
}

void CommandRunner::Dequeued(int stream, size_t bytes) {
  const bool wasFull = queuedBytes_[stream] >= queueBound_;
  queuedBytes_[stream] -= bytes;
  if (wasFull && !unlimited_[stream]) WakeReader();
}

void CommandRunner::WakeReader() {
  // A caller that reads for itself looks at the queues before it waits.
  if (child_ && (reader_ == Reader::Thread || callerReading_ || loop_)) child_->Wake();
}

void CommandRunner::Queue(int stream, std::string&& lines) {
  queuedBytes_[stream] += lines.size();
  queues_[stream].push_back(std::move(lines));
  ++delivered_;
}

bool CommandRunner::Adopt(std::unique_ptr<platform::ChildProcess> child) {
  platform::ChildProcess* reading = child.get();
  // Nobody reads now: the previous child has been released.
  reading_ = Reading();
  stopReader_ = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    child_ = std::move(child);
    childEnded_ = false;
    outputEnded_ = false;
  }
  if (loop_) {
    ReadOnLoop();
    return true;
  }
  if (reader_ == Reader::Caller) return true;
  if (readerThread_.Begin([this, reading] { ReadOutput(*reading); })) return true;
  ReleaseChild();
  return false;
}

void CommandRunner::ReleaseChild() {
  stopReader_ = true;
  std::unique_ptr<platform::ChildProcess> released;
  std::unique_lock<std::mutex> lock(mutex_);
  WakeReader();
  lock.unlock();
  readerThread_.Join();
  lock.lock();
  changed_.wait(lock, [this] { return !callerReading_; });
  released = std::move(child_);
  outputEnded_ = true;
  lock.unlock();
  // Destroying it ends a child that still runs and collects its status.
}

void CommandRunner::CollectKilledChild() {
  std::unique_lock<std::mutex> lock(mutex_);
  // The caller stops reading it (closing the pipes if it is reading now)
  // and starts no more rounds: from then on only this thread waits on it.
  stopReader_ = true;
  WakeReader();
  changed_.wait(lock, [this] { return !callerReading_; });
  lock.unlock();
  child_->WaitForEnd(kWaitWithoutLimit);
  child_->HasEnded();
}

void CommandRunner::BeginCommand(int provisionalExitCode) {
  for (int stream : {kStdout, kStderr}) {
    queues_[stream].clear();
    queuedBytes_[stream] = 0;
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

bool CommandRunner::HasRoom(int stream) {
  std::lock_guard<std::mutex> lock(mutex_);
  return unlimited_[stream] || queuedBytes_[stream] < queueBound_;
}

void CommandRunner::Deliver(int stream, std::string&& lines) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Enqueue(stream, std::move(lines));
    changed_.notify_all();
  }
  Announce();
}

void CommandRunner::Announce() {
  if (loop_) loop_->Post(news_);
}

CommandRunner::Round CommandRunner::ReadRound(platform::ChildProcess& child, Reading& reading) {
  using platform::OutputStream;
  using platform::PipeRead;
  // Taken before reading: once the child has ended, pipes found empty
  // afterwards hold nothing more from it.
  const bool ended = child.HasEnded();
  if (ended && !reading.endNoted) {
    reading.endNoted = true;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      childEnded_ = true;
      changed_.notify_all();
    }
    Announce();
  }
  bool progressed = false;
  reading.held = false;
  for (int stream : {kStdout, kStderr}) {
    if (reading.closed[stream]) {
      reading.watch[stream] = false;
      continue;
    }
    LineSplitter& splitter = reading.splitters[stream];
    reading.watch[stream] = HasRoom(stream);
    if (!reading.watch[stream]) {
      reading.held = true;
      continue;
    }
    switch (child.ReadOutput(static_cast<OutputStream>(stream), splitter.Buffer())) {
      case PipeRead::Data:
        // Whole lines only: what follows the last line feed waits for
        // the rest of its line.
        if (std::string lines = splitter.TakeLines(); !lines.empty()) Deliver(stream, std::move(lines));
        progressed = true;
        break;
      case PipeRead::Closed:
        reading.closed[stream] = true;
        progressed = true;
        break;
      case PipeRead::Empty:
        break;
    }
  }
  if (progressed) return Round::Progress;
  return ended && !reading.held ? Round::Ended : Round::Idle;
}

void CommandRunner::FinishReading(platform::ChildProcess& child, Reading& reading) {
  child.CloseOutput();
  for (int stream : {kStdout, kStderr}) {
    if (std::string rest = reading.splitters[stream].TakeRest(); !rest.empty()) Deliver(stream, std::move(rest));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    outputEnded_ = true;
    OnOutputEnded(child.ExitStatus());
    changed_.notify_all();
  }
  Announce();
}

// The reader thread. Reads both pipes as data comes while their queue has
// room, hands complete lines on, and finishes once the child has ended and
// everything it wrote has been handed on; a last line without a line feed
// goes on as it is.
void CommandRunner::ReadOutput(platform::ChildProcess& child) {
  Reading reading;
  while (!stopReader_) {
    const Round round = ReadRound(child, reading);
    if (round == Round::Ended) break;
    if (round == Round::Idle) child.WaitForActivity(reading.watch[kStdout], reading.watch[kStderr]);
  }
  if (stopReader_) {
    child.CloseOutput();
    return;
  }
  FinishReading(child, reading);
}

void CommandRunner::ReadOnLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!child_ || outputEnded_) return;
  platform::ChildProcess& child = *child_;
  const bool stopped = stopReader_;
  lock.unlock();
  if (stopped) {
    // Kill has ended and collected the child; nothing is read any more.
    child.CloseOutput();
    return;
  }
  for (;;) {
    switch (ReadRound(child, reading_)) {
      case Round::Progress: continue;
      case Round::Ended: FinishReading(child, reading_); return;
      case Round::Idle:
        // Held lines wait for room, which Wake reports.
        child.WatchActivity(*loop_, reading_.watch[kStdout], reading_.watch[kStderr], [this] { ReadOnLoop(); });
        return;
    }
  }
}

template <typename Done>
void CommandRunner::ReadOnCaller(std::unique_lock<std::mutex>& lock, int waitLimitMs, Done done) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitLimitMs < 0 ? 0 : waitLimitMs);
  while (!done()) {
    int left = -1;
    if (waitLimitMs >= 0) {
      const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = remaining > 0 ? static_cast<int>(remaining) : 0;
    }
    if (!child_ || outputEnded_ || stopReader_ || callerReading_) {
      // Another thread reads, or nothing is left to read: wait for news.
      if (left < 0) {
        changed_.wait(lock, done);
      } else {
        changed_.wait_for(lock, std::chrono::milliseconds(left), done);
      }
      return;
    }
    callerReading_ = true;
    platform::ChildProcess& child = *child_;
    lock.unlock();
    const Round round = ReadRound(child, reading_);
    bool stop = false;
    if (stopReader_) {
      // Released from another thread: the pipes are closed here, where
      // they are read.
      child.CloseOutput();
    } else if (round == Round::Ended) {
      FinishReading(child, reading_);
    } else if (round == Round::Idle) {
      // Held lines wait for the caller to take them.
      stop = reading_.held || left == 0;
      if (!stop) child.WaitForActivity(reading_.watch[kStdout], reading_.watch[kStderr], left);
    }
    lock.lock();
    callerReading_ = false;
    changed_.notify_all();
    if (stop) return;
  }
}

template <typename Done>
void CommandRunner::WaitFor(std::unique_lock<std::mutex>& lock, int waitLimitMs, Done done) {
  if (reader_ == Reader::Caller || loop_) {
    ReadOnCaller(lock, waitLimitMs, done);
  } else if (waitLimitMs < 0) {
    changed_.wait(lock, done);
  } else {
    changed_.wait_for(lock, std::chrono::milliseconds(waitLimitMs), done);
  }
}

void CommandRunner::WaitUntil(std::unique_lock<std::mutex>& lock, int waitLimitMs,
                              const std::function<bool()>& done) {
  WaitFor(lock, waitLimitMs, done);
}

}  // namespace exec
