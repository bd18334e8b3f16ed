// The resident client's commands, run through a CommandRunner on a thread of
// their own: the runner waits on the child's pipes and its end, the
// client's event loop never does. The loop is told of each piece of output
// and of the end, and the thread reads on only once the loop has taken what
// was read, so that a command's output is bounded by the runner's queues.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "exec/command_runner.h"
#include "exec/worker_thread.h"
#include "platform/event_loop.h"

namespace distributed {

class CommandWatch {
 public:
  // Both are called on the loop's thread with the serial number of the
  // command they are about; a command started after the one they name makes
  // them stale.
  struct Events {
    // Output may be taken from the runner; Taken() lets the thread read on.
    std::function<void(std::uint64_t command)> output;
    // The command has ended and all its output is queued in the runner.
    std::function<void(std::uint64_t command, int exitCode)> ended;
  };
  // The exit code reported for a command that could not be started.
  static constexpr int kStartFailureExitCode = 1;

  CommandWatch(platform::EventLoop& loop, std::unique_ptr<exec::CommandRunner> runner, Events events);
  // Ends the thread; a command still running is ended with it.
  ~CommandWatch();

  // Starts the runner and the thread.
  bool Start();
  // Runs `commandLine` once the previous command has ended; its serial
  // number.
  std::uint64_t Run(std::string commandLine);
  // The loop is done with the output it was told of.
  void Taken();
  // Breaks off the running command (see CommandRunner::Kill): its end is
  // still told. The runner is made ready again before the next command.
  void Kill();
  // What the runner queued; the loop takes it after `output` or `ended`.
  exec::CommandRunner& Runner() { return *runner_; }

 private:
  void Watch();
  // The thread waits for the loop; false when the watch ends.
  bool WaitForTaken();

  platform::EventLoop& loop_;
  std::unique_ptr<exec::CommandRunner> runner_;
  Events events_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::string pending_;  // the next command line, with hasPending_
  bool hasPending_ = false;
  bool taken_ = false;
  bool restart_ = false;  // a kill left the runner to be started again
  bool quit_ = false;
  std::uint64_t serial_ = 0;

  exec::WorkerThread thread_;
};

}  // namespace distributed
