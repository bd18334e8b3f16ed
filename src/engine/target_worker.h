// A worker builds one target at a time: it runs the target's command lines
// in order, on one machine, through a CommandRunner of its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/build_trace.h"
#include "engine/target_node.h"

namespace engine {

// What building one target came to.
enum class TargetOutcome {
  Done,         // every command succeeded, or its failure is ignored
  WouldBeMade,  // the commands were listed, not run: counts as made now
  Failed,       // a command failed; targets that need this one are not built
  Stopped,      // the build ends here at once: cancelled, or a server's command failed
  Lost,         // the worker could not build it; another worker may
};

// What runs command lines for the build, on a lane of the run's trace: a
// target worker, and a build server's connection to one client, which is
// driven by the server's event loop instead of building on a thread.
class TracedWorker {
 public:
  virtual ~TracedWorker() = default;

  // From now on the commands this worker runs go on `lane` of `trace`.
  void TraceTo(BuildTrace& trace, int lane) {
    trace_ = &trace;
    lane_ = lane;
  }

 protected:
  // Around each command line a worker runs, however it waits for it: the
  // clock is read only when the run is traced.
  std::uint64_t CommandStarting() const { return trace_ ? BuildTrace::Now() : 0; }
  void CommandEnded(const TargetNode& target, std::size_t line, std::uint64_t start, int exitCode) const {
    if (trace_) trace_->CommandEnded(lane_, target, line, start, exitCode);
  }

 private:
  BuildTrace* trace_ = nullptr;
  int lane_ = 0;
};

class TargetWorker : public TracedWorker {
 public:
  // Runs the target's command lines, on the caller's thread.
  virtual TargetOutcome Build(TargetNode& target) = 0;

  // Breaks off the running command, if any. Any thread, any time.
  virtual void Cancel() = 0;
};

}  // namespace engine
