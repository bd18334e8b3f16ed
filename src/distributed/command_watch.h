// The resident client's commands, run through a CommandRunner that reports
// to the client's event loop: the loop waits on the child's pipes and its
// end, or is told by the runner's own reader, and never blocks on them. The
// client is told of each piece of output and of the end, and the runner is
// asked again only once the client has taken what it was told of, so that a
// command's output is bounded by the runner's queues.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "exec/command_runner.h"
#include "platform/event_loop.h"
#include "platform/loop_timer.h"

namespace distributed {

class CommandWatch {
 public:
  // Both are called on the loop's thread with the serial number of the
  // command they are about; a command started after the one they name makes
  // them stale.
  struct Events {
    // Output may be taken from the runner; Taken() asks for more.
    std::function<void(std::uint64_t command)> output;
    // The command has ended and all its output is queued in the runner.
    std::function<void(std::uint64_t command, int exitCode)> ended;
  };
  // The exit code reported for a command that could not be started.
  static constexpr int kStartFailureExitCode = 1;

  CommandWatch(platform::EventLoop& loop, std::unique_ptr<exec::CommandRunner> runner, Events events);
  // A command still running is ended; on the loop's thread, or once the
  // loop has stopped.
  ~CommandWatch();

  // Starts the runner. Every call from here on is made on the loop's thread.
  void Start();
  // Runs `commandLine` once the previous command has ended; its serial
  // number.
  std::uint64_t Run(std::string commandLine);
  // The client is done with the output it was told of.
  void Taken();
  // Breaks off the running command as CommandRunner::Kill does, the loop
  // going on while the command has its grace: its end is still told, and
  // the next command starts after it.
  void Kill();
  // What the runner queued; the client takes it after `output` or `ended`.
  exec::CommandRunner& Runner() { return *runner_; }

 private:
  void Begin(std::string commandLine);
  // Ends the command at once; the runner is started again before the next.
  void EndNow();
  // The runner may have news of the running command.
  void News();

  platform::EventLoop& loop_;
  std::unique_ptr<exec::CommandRunner> runner_;
  Events events_;
  // Tasks posted for the watch reach it only while it exists.
  std::shared_ptr<CommandWatch*> self_;
  std::function<void()> newsTask_;
  platform::LoopTimer graceTimer_;  // a command's grace after its break

  std::uint64_t serial_ = 0;          // the last command given
  std::uint64_t runningSerial_ = 0;   // the command whose end is not yet told
  bool running_ = false;
  bool startFailed_ = false;
  bool told_ = false;         // output told and not yet taken
  bool newsWaiting_ = false;  // ... while more news came
  bool restart_ = false;      // a kill left the runner to be started again
  std::string pending_;       // the next command line, with hasPending_
  bool hasPending_ = false;
};

}  // namespace distributed
