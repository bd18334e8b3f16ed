#include "engine/target_walker.h"

#include <chrono>
#include <limits>

#include "engine/special_macros.h"

namespace engine {
namespace {

bool Newer(const platform::FileStatus& dependent, const platform::FileStatus& target) {
  return platform::ModifiedAfter(dependent, target);
}

void ExpandOnce(TargetNode* node, bool buildAll) {
  if (node->commandsExpanded) return;
  ExpandTargetCommands(*node, buildAll);
  node->commandsExpanded = true;
}

std::int64_t SecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

void TargetWalker::Begin(std::vector<TargetNode*> goals, WalkOptions options) {
  goals_ = std::move(goals);
  goalsKnown_ = !goals_.empty();
  options_ = options;
}

const std::vector<TargetNode*>& TargetWalker::Goals() const {
  if (!goalsKnown_) {
    goalsKnown_ = true;
    if (model_.HasRoots()) goals_.push_back(model_.SelectStartTarget(""));
  }
  return goals_;
}

void TargetWalker::Prepare() {
  if (prepared_) return;
  prepared_ = true;
  Goals();
  nodes_.resize(model_.NodeCount());
}

const platform::FileStatus& TargetWalker::FileOf(TargetNode* node) const {
  if (!node->fileKnown) {
    node->file = readStatus_(node->name);
    node->fileKnown = true;
    // A time ahead of the clock makes its targets out of date on every run.
    if (node->file.exists && node->file.modified > now_ && futureFile_.empty()) {
      now_ = SecondsNow();
      if (node->file.modified > now_) futureFile_ = node->name;
    }
  }
  return node->file;
}

WalkResult TargetWalker::Next() {
  Prepare();
  for (;;) {
    if (stopped_) return {out_ > 0 ? WalkStatus::Waiting : WalkStatus::MissingFile, nullptr};
    if (!ready_.empty()) {
      TargetNode* node = ready_.front();
      ready_.pop_front();
      return Select(node);
    }
    if (frames_.empty()) {
      if (nextGoal_ == goals_.size()) return {out_ > 0 ? WalkStatus::Waiting : EndStatus(), nullptr};
      if (TargetNode* selected = Visit(goals_[nextGoal_++], nullptr)) return Select(selected);
      continue;
    }
    Frame& frame = frames_.back();
    TargetNode* node = frame.node;
    if (frame.next < node->dependents.size()) {
      TargetNode* dependent = node->dependents[frame.next++];
      if (TargetNode* selected = Visit(dependent, node)) return Select(selected);
      continue;
    }
    frames_.pop_back();
    if (Of(node).pending > 0) {
      Of(node).phase = Phase::Pending;
      continue;
    }
    const WalkStatus status = Decide(node);
    if (status == WalkStatus::Selected) return Select(node);
    Settle(node, status);
  }
}

TargetNode* TargetWalker::Visit(TargetNode* node, TargetNode* parent) {
  NodeWalk& walk = Of(node);
  switch (walk.phase) {
    case Phase::Unseen:
      if (!node->dependents.empty()) {
        ExpandOnce(node, options_.buildAll);
        // Read before the dependents' commands can change it.
        FileOf(node);
        walk.phase = Phase::OnPath;
        AddWaiter(node, parent);
        frames_.push_back({node, 0});
        return nullptr;
      }
      if (node->HasCommands()) {
        AddWaiter(node, parent);
        return node;
      }
      // A plain file is settled and done; it needs no list of its own.
      if (!node->commands) node->state = BuildState::Done;
      walk.phase = Phase::Decided;
      walk.result = WalkStatus::Settled;
      Tell(parent, node);
      return nullptr;
    case Phase::OnPath:
      // The node closes a dependency cycle; that edge is not followed.
      if (parent) Of(parent).blocked = true;
      return nullptr;
    case Phase::Pending:
    case Phase::Queued:
    case Phase::Out:
      AddWaiter(node, parent);
      return nullptr;
    case Phase::Decided:
      Tell(parent, node);
      return nullptr;
  }
  return nullptr;
}

void TargetWalker::AddWaiter(TargetNode* node, TargetNode* parent) {
  if (!parent) return;
  NodeWalk& walk = Of(node);
  waiters_.push_back({parent, walk.waiters});
  walk.waiters = static_cast<std::uint32_t>(waiters_.size() - 1);
  ++Of(parent).pending;
}

WalkStatus TargetWalker::Decide(TargetNode* node) {
  if (Of(node).blocked) return WalkStatus::Blocked;
  const platform::FileStatus& own = FileOf(node);
  bool mustBuild = !own.exists;
  for (TargetNode* dependent : node->dependents) {
    const WalkStatus result = Of(dependent).result;
    if (result != WalkStatus::Settled && result != WalkStatus::Finished) continue;
    const platform::FileStatus& file = FileOf(dependent);
    // A target built without leaving a file does not make its parent out
    // of date.
    if (result == WalkStatus::Finished && !file.exists) {
      mustBuild = false;
    } else if (own.exists && (options_.buildAll || Newer(file, own))) {
      mustBuild = true;
    }
  }
  if (!node->HasCommands()) return WalkStatus::Finished;
  return mustBuild ? WalkStatus::Selected : WalkStatus::Settled;
}

void TargetWalker::Settle(TargetNode* node, WalkStatus result) {
  Of(node).phase = Phase::Decided;
  Of(node).result = result;
  settling_.push_back(node);
  while (!settling_.empty()) {
    TargetNode* settled = settling_.back();
    settling_.pop_back();
    for (std::uint32_t i = Of(settled).waiters; i != kNone; i = waiters_[i].next) {
      TargetNode* waiter = waiters_[i].node;
      Tell(waiter, settled);
      NodeWalk& walk = Of(waiter);
      if (--walk.pending > 0 || walk.phase != Phase::Pending) continue;
      const WalkStatus status = Decide(waiter);
      if (status == WalkStatus::Selected) {
        walk.phase = Phase::Queued;
        ready_.push_back(waiter);
        continue;
      }
      walk.phase = Phase::Decided;
      walk.result = status;
      settling_.push_back(waiter);
    }
  }
}

void TargetWalker::Tell(TargetNode* parent, TargetNode* node) {
  if (!parent) return;
  NodeWalk& walk = Of(node);
  if (walk.result == WalkStatus::Blocked) {
    Of(parent).blocked = true;
    return;
  }
  if (walk.result != WalkStatus::Settled || FileOf(node).exists) return;
  if (!options_.keepGoing) {
    lastMissingFile_ = node->name;
    stopped_ = true;
    return;
  }
  Of(parent).blocked = true;
  if (!walk.missingNoted) skippedMissing_.push_back(node->name);
  walk.missingNoted = true;
}

WalkResult TargetWalker::Select(TargetNode* node) {
  ExpandOnce(node, options_.buildAll);
  Of(node).phase = Phase::Out;
  node->state = BuildState::InProgress;
  // Its commands run before it is looked at again and may change its file.
  node->fileKnown = false;
  ++out_;
  return {WalkStatus::Selected, node};
}

void TargetWalker::Finish(TargetNode& target, TargetOutcome outcome) {
  --out_;
  switch (outcome) {
    case TargetOutcome::Done:
      target.state = BuildState::Done;
      Settle(&target, WalkStatus::Finished);
      return;
    case TargetOutcome::WouldBeMade:
      target.state = BuildState::Done;
      target.file.exists = true;
      target.file.modified = std::numeric_limits<std::int64_t>::max();
      target.fileKnown = true;
      Settle(&target, WalkStatus::Finished);
      return;
    case TargetOutcome::Failed:
      target.state = BuildState::Failed;
      Settle(&target, WalkStatus::Blocked);
      return;
    case TargetOutcome::Lost:
    case TargetOutcome::Stopped:
      target.state = BuildState::NotStarted;
      Of(&target).phase = Phase::Queued;
      ready_.push_front(&target);
      return;
  }
}

WalkStatus TargetWalker::EndStatus() const {
  WalkStatus status = WalkStatus::Finished;
  for (const TargetNode* goal : goals_) {
    const WalkStatus result = nodes_[goal->id].result;
    if (result == WalkStatus::Blocked) return result;
    status = result;
  }
  return status;
}

int TargetWalker::CountOutOfDate() const {
  struct CountFrame {
    TargetNode* node;
    size_t next;
    int sum;
    bool stale;
    platform::FileStatus file;
  };
  const unsigned mark = model_.ClearVisitMarks();
  // Whether each counted node will be built, so that a target met again on
  // another path still makes the targets above it count.
  std::vector<bool> willBuild(model_.NodeCount(), false);
  std::vector<CountFrame> frames;
  int value = 0;        // the count of the node just finished
  bool builds = false;  // whether that node itself will be built

  // Marks `node` and gives its count at once when it needs no frame.
  auto enter = [&](TargetNode* node) -> bool {
    if (node->visited == mark) {
      value = 0;
      builds = willBuild[node->id];
      return true;
    }
    node->visited = mark;
    if (node->dependents.empty()) {
      builds = node->HasCommands() && node->state == BuildState::NotStarted;
      willBuild[node->id] = builds;
      value = builds ? 1 : 0;
      return true;
    }
    const platform::FileStatus& file = FileOf(node);
    frames.push_back({node, 0, 0, !file.exists, file});
    return false;
  };

  int total = 0;
  for (TargetNode* goal : Goals()) {
    if (enter(goal)) {
      total += value;
      continue;
    }
    while (!frames.empty()) {
      CountFrame& frame = frames.back();
      if (frame.next == frame.node->dependents.size()) {
        builds = frame.stale && frame.node->HasCommands();
        willBuild[frame.node->id] = builds;
        value = frame.sum + (builds ? 1 : 0);
        frames.pop_back();
        if (frames.empty()) break;
      } else if (!enter(frame.node->dependents[frame.next])) {
        continue;
      }
      CountFrame& parent = frames.back();
      TargetNode* dependent = parent.node->dependents[parent.next++];
      parent.sum += value;
      if (parent.sum > 0 || builds) {
        parent.stale = true;
      } else if (parent.node->state == BuildState::NotStarted && parent.file.exists) {
        const platform::FileStatus& file = FileOf(dependent);
        if (file.exists && (options_.buildAll || Newer(file, parent.file))) parent.stale = true;
      }
    }
    total += value;
  }
  return total;
}

}  // namespace engine
