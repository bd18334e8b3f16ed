#include "engine/target_scheduler.h"

namespace engine {

TargetScheduler::TargetScheduler(TargetWalker& walker, std::vector<TargetNode*> goals, WalkOptions options,
                                 BuildTrace* trace)
    : walker_(walker), keepGoing_(options.keepGoing), trace_(trace) {
  walker_.Begin(std::move(goals), options);
}

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
  if (failed_) return {inProgress_ > 0 ? HandOut::Wait : HandOut::NothingLeft, nullptr};
  const WalkResult walk = walker_.Next();
  switch (walk.status) {
    case WalkStatus::Selected:
      ++inProgress_;
      ++handedOut_;
      return {HandOut::Target, walk.target};
    case WalkStatus::Waiting: return {HandOut::Wait, nullptr};
    default:
      break;
  }
  lastStatus_ = walk.status;
  return {};
}

void TargetScheduler::Finish(TargetNode& target, TargetOutcome outcome) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (outcome == TargetOutcome::Stopped) stopped_ = true;
  if (outcome == TargetOutcome::Failed && !keepGoing_) failed_ = true;
  walker_.Finish(target, outcome);
  --inProgress_;
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

int TargetScheduler::HandedOutCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return handedOut_;
}

int TargetScheduler::CountOutOfDate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return walker_.CountOutOfDate();
}

void BuildTargets(TargetScheduler& scheduler, TargetWorker& worker) {
  for (;;) {
    const HandOutResult next = scheduler.WaitForTarget();
    if (next.kind != HandOut::Target) return;
    scheduler.Finish(*next.target, worker.Build(*next.target));
  }
}

}  // namespace engine
