#include "engine/target_scheduler.h"

namespace engine {

HandOutResult TargetScheduler::NextTarget() {
  std::lock_guard<std::mutex> lock(mutex_);
  return NextLocked();
}

HandOutResult TargetScheduler::WaitForTarget() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    const HandOutResult next = NextLocked();
    if (next.kind != HandOut::Wait) return next;
    // Wait is only answered while a target is in progress, so a report
    // will come.
    const std::uint64_t seen = finishCount_;
    finished_.wait(lock, [&] { return finishCount_ != seen || stopped_; });
  }
}

HandOutResult TargetScheduler::NextLocked() {
  if (stopped_) return {};
  if (otherFinished_) walker_.Restart();
  otherFinished_ = false;
  lastSelected_ = nullptr;
  const WalkResult walk = walker_.NextBuildTarget(targetName_, buildAll_);
  switch (walk.status) {
    case WalkStatus::Selected:
      walk.target->state = BuildState::InProgress;
      ++inProgress_;
      lastSelected_ = walk.target;
      return {HandOut::Target, walk.target};
    case WalkStatus::Waiting: return {HandOut::Wait, nullptr};
    case WalkStatus::MissingFile:
    case WalkStatus::Settled:
      if (inProgress_ > 0) return {HandOut::Wait, nullptr};
      break;
    case WalkStatus::Finished:
    case WalkStatus::Blocked: break;
  }
  lastStatus_ = walk.status;
  return {};
}

void TargetScheduler::Finish(TargetNode& target, TargetOutcome outcome) {
  std::lock_guard<std::mutex> lock(mutex_);
  switch (outcome) {
    case TargetOutcome::Done: target.state = BuildState::Done; break;
    case TargetOutcome::Failed: target.state = BuildState::Failed; break;
    case TargetOutcome::Stopped: stopped_ = true; [[fallthrough]];
    case TargetOutcome::Lost: target.state = BuildState::NotStarted; break;
  }
  --inProgress_;
  if (&target != lastSelected_) otherFinished_ = true;
  ++finishCount_;
  finished_.notify_all();
}

void TargetScheduler::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  finished_.notify_all();
}

WalkStatus TargetScheduler::LastWalkStatus() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastStatus_;
}

int TargetScheduler::InProgressCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inProgress_;
}

int TargetScheduler::CountOutOfDate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return walker_.CountOutOfDate(targetName_, buildAll_);
}

void BuildTargets(TargetScheduler& scheduler, TargetWorker& worker) {
  for (;;) {
    const HandOutResult next = scheduler.WaitForTarget();
    if (next.kind != HandOut::Target) return;
    scheduler.Finish(*next.target, worker.Build(*next.target));
  }
}

}  // namespace engine
