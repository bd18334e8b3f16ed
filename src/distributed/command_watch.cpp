#include "distributed/command_watch.h"

#include <utility>

namespace distributed {

CommandWatch::CommandWatch(platform::EventLoop& loop, std::unique_ptr<exec::CommandRunner> runner, Events events)
    : loop_(loop),
      runner_(std::move(runner)),
      events_(std::move(events)),
      self_(std::make_shared<CommandWatch*>(this)),
      newsTask_([watch = std::weak_ptr<CommandWatch*>(self_)] {
        if (auto self = watch.lock()) (*self)->News();
      }),
      graceTimer_(loop) {}

CommandWatch::~CommandWatch() {
  runner_->Kill();
  runner_->Close();
}

void CommandWatch::Start() {
  runner_->ReportTo(loop_, newsTask_);
  runner_->Start();
}

std::uint64_t CommandWatch::Run(std::string commandLine) {
  ++serial_;
  if (running_) {
    pending_ = std::move(commandLine);
    hasPending_ = true;
  } else {
    Begin(std::move(commandLine));
  }
  return serial_;
}

void CommandWatch::Begin(std::string commandLine) {
  if (std::exchange(restart_, false)) runner_->Start();
  runningSerial_ = serial_;
  running_ = true;
  told_ = false;
  newsWaiting_ = false;
  startFailed_ = runner_->Exec(commandLine) != 0;
  // A command done at once (or not started) has no news of its own to come.
  loop_.Post(newsTask_);
}

void CommandWatch::Taken() {
  told_ = false;
  if (std::exchange(newsWaiting_, false)) News();
}

void CommandWatch::Kill() {
  told_ = false;
  if (running_ && runner_->Break()) {
    // Only the command broken off is ended, whatever came after it.
    graceTimer_.Start(exec::CommandRunner::kBreakGraceMs, [this, command = runningSerial_] {
      if (running_ && runningSerial_ == command) EndNow();
    });
  } else {
    EndNow();
  }
}

void CommandWatch::EndNow() {
  restart_ = true;
  runner_->Kill();
  loop_.Post(newsTask_);
}

void CommandWatch::News() {
  if (!running_) return;
  if (told_) {
    newsWaiting_ = true;
    return;
  }
  if (!startFailed_ && runner_->IsRunning(0)) {
    told_ = true;
    events_.output(runningSerial_);
    return;
  }
  running_ = false;
  // A command that could not start has failed; the runner would report 0.
  events_.ended(runningSerial_, startFailed_ ? kStartFailureExitCode : runner_->ExitCode());
  if (std::exchange(hasPending_, false)) Begin(std::move(pending_));
}

}  // namespace distributed
