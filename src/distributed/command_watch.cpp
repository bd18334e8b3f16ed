#include "distributed/command_watch.h"

#include <utility>

namespace distributed {

CommandWatch::CommandWatch(platform::EventLoop& loop, std::unique_ptr<exec::CommandRunner> runner, Events events)
    : loop_(loop), runner_(std::move(runner)), events_(std::move(events)) {}

CommandWatch::~CommandWatch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    changed_.notify_all();
  }
  // A command still running ends, so that the thread's wait returns.
  runner_->Kill();
  thread_.Join();
  runner_->Close();
}

bool CommandWatch::Start() {
  runner_->Start();
  return thread_.Begin([this] { Watch(); });
}

std::uint64_t CommandWatch::Run(std::string commandLine) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = std::move(commandLine);
  hasPending_ = true;
  changed_.notify_all();
  return ++serial_;
}

void CommandWatch::Taken() {
  std::lock_guard<std::mutex> lock(mutex_);
  taken_ = true;
  changed_.notify_all();
}

void CommandWatch::Kill() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    restart_ = true;
    taken_ = true;
    changed_.notify_all();
  }
  runner_->Kill();
}

bool CommandWatch::WaitForTaken() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return taken_ || quit_; });
  taken_ = false;
  return !quit_;
}

void CommandWatch::Watch() {
  for (;;) {
    std::string line;
    std::uint64_t serial = 0;
    bool restart = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return hasPending_ || quit_; });
      if (quit_) return;
      line = std::move(pending_);
      hasPending_ = false;
      serial = serial_;
      restart = std::exchange(restart_, false);
      taken_ = false;
    }
    if (restart) runner_->Start();
    // A command that could not start has failed; the runner would report 0.
    const bool started = runner_->Exec(line) == 0;
    // The tasks carry copies of the callbacks, not the watch: one that runs
    // after the watch has gone reaches only its owner, which finds it stale.
    while (started && runner_->IsRunning()) {
      loop_.Post([output = events_.output, serial] { output(serial); });
      if (!WaitForTaken()) return;
    }
    const int exitCode = started ? runner_->ExitCode() : kStartFailureExitCode;
    loop_.Post([ended = events_.ended, serial, exitCode] { ended(serial, exitCode); });
  }
}

}  // namespace distributed
