// Hands out the targets of one build to several workers at once: the walk
// behind one lock, a target marked InProgress while a worker has it. The
// local build's threads and a build server's connections take their work
// from here.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

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
  TargetScheduler(TargetWalker& walker, std::string targetName, bool buildAll)
      : walker_(walker), targetName_(std::move(targetName)), buildAll_(buildAll) {}
  TargetScheduler(const TargetScheduler&) = delete;
  TargetScheduler& operator=(const TargetScheduler&) = delete;

  // Asks the walk for the next target and marks it InProgress. A missing
  // file or a settled start target while targets are in progress means
  // Wait: what they build may change the answer. Never blocks.
  HandOutResult NextTarget();

  // NextTarget, waiting while its answer is Wait until a worker reports.
  HandOutResult WaitForTarget();

  // A worker reports the target it was given: Done and Failed set that
  // state; Lost gives it back to the walk (NotStarted); Stopped gives it
  // back and stops the build.
  void Finish(TargetNode& target, TargetOutcome outcome);

  // From now on nothing is handed out; waiting callers return. Any thread.
  void Stop();

  // What the walk said when it last had nothing to hand out: Finished,
  // Blocked, Settled or MissingFile (its name in the walker).
  WalkStatus LastWalkStatus() const;

  int InProgressCount() const;

 private:
  HandOutResult NextLocked();

  TargetWalker& walker_;
  const std::string targetName_;
  const bool buildAll_;
  mutable std::mutex mutex_;  // the walk, the build states and everything below
  std::condition_variable finished_;
  std::uint64_t finishCount_ = 0;
  int inProgress_ = 0;
  bool stopped_ = false;
  WalkStatus lastStatus_ = WalkStatus::Settled;
  // The walk resumes beside the target it selected last, which is only
  // right while no other target has ended since: the walk counted that one
  // as waiting on its way.
  TargetNode* lastSelected_ = nullptr;
  bool otherFinished_ = false;
};

// Hands targets to `worker` until none is left: the loop of each local
// worker thread.
void BuildTargets(TargetScheduler& scheduler, TargetWorker& worker);

}  // namespace engine
