// Hands out the targets of one build to several workers at once: the walk
// behind one lock, a target marked InProgress while a worker has it. The
// local build's threads and a build server's connections take their work
// from here.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/target_walker.h"
#include "engine/target_worker.h"

namespace engine {

enum class HandOut {
  Target,       // a target to build now
  Wait,         // what is left waits for targets in progress
  NothingLeft,  // everything is built, blocked or stopped
};

struct HandOutResult {
  HandOut kind = HandOut::NothingLeft;
  TargetNode* target = nullptr;  // with Target
};

class TargetScheduler {
 public:
  // Walks from `goals` in order (none: the default target). With
  // options.keepGoing a failed target blocks only what needs it; without,
  // it ends the build: nothing new is handed out, and the targets out
  // already are built to their end. With a `trace`, the workers' commands
  // are traced.
  TargetScheduler(TargetWalker& walker, std::vector<TargetNode*> goals, WalkOptions options,
                  BuildTrace* trace = nullptr);
  TargetScheduler(const TargetScheduler&) = delete;
  TargetScheduler& operator=(const TargetScheduler&) = delete;

  // Asks the walk for the next target and marks it InProgress; Wait while
  // what is left needs targets in progress. Never blocks.
  HandOutResult NextTarget();

  // NextTarget, waiting while its answer is Wait until a worker reports.
  HandOutResult WaitForTarget();

  // A worker reports the target it was given: Done, WouldBeMade and Failed
  // settle it; Lost gives it back to be handed out again; Stopped gives it
  // back and stops the build.
  void Finish(TargetNode& target, TargetOutcome outcome);

  // From now on nothing is handed out; waiting callers return. Any thread.
  void Stop();

  // With a trace, the commands `worker` runs go on the lane `name`: a
  // local worker's number, a client's machine name and address.
  void TraceWorker(TracedWorker& worker, const std::string& name) const {
    if (trace_) worker.TraceTo(*trace_, trace_->Lane(name));
  }

  // What the walk said when it last had nothing to hand out: Finished,
  // Blocked, Settled or MissingFile (its name in the walker).
  WalkStatus LastWalkStatus() const;

  // Whether a failed target blocks only what needs it.
  bool KeepsGoing() const { return keepGoing_; }

  int InProgressCount() const;
  // How many targets were handed out in all.
  int HandedOutCount() const;

  // The walk's count of targets still to build, under the lock, so that
  // it may be asked while workers take targets.
  int CountOutOfDate() const;

 private:
  HandOutResult NextLocked();

  TargetWalker& walker_;
  const bool keepGoing_;
  BuildTrace* const trace_;
  mutable std::mutex mutex_;  // the walk, the build states and everything below
  std::condition_variable finished_;
  std::uint64_t finishCount_ = 0;
  int inProgress_ = 0;
  int handedOut_ = 0;
  bool stopped_ = false;
  bool failed_ = false;  // a target failed without keepGoing: nothing new starts
  WalkStatus lastStatus_ = WalkStatus::Settled;
};

// Hands targets to `worker` until none is left: the loop of each local
// worker thread.
void BuildTargets(TargetScheduler& scheduler, TargetWorker& worker);

}  // namespace engine
