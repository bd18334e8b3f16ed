// A worker builds one target at a time: it runs the target's command lines
// in order, on one machine. The local build's workers run them through a
// CommandRunner of their own; a build server's workers are its client
// connections.
#pragma once

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

class TargetWorker {
 public:
  virtual ~TargetWorker() = default;

  // Runs the target's command lines, on the caller's thread.
  virtual TargetOutcome Build(TargetNode& target) = 0;

  // Breaks off the running command, if any. Any thread, any time.
  virtual void Cancel() = 0;
};

}  // namespace engine
