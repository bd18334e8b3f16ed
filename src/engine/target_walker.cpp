#include "engine/target_walker.h"

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

}  // namespace

WalkResult TargetWalker::NextBuildTarget(std::string_view targetName, bool buildAll) {
  return WalkTarget(model_.SelectStartTarget(targetName), buildAll);
}

const platform::FileStatus& TargetWalker::FileOf(TargetNode* node) const {
  if (!node->fileKnown) {
    node->file = readStatus_(node->name);
    node->fileKnown = true;
  }
  return node->file;
}

void TargetWalker::PushFrame(TargetNode* node, bool buildAll) {
  ExpandOnce(node, buildAll);
  Frame frame;
  frame.node = node;
  frame.file = FileOf(node);
  if (!frame.file.exists) node->mustBuild = true;
  node->onWalkPath = true;
  frames_.push_back(frame);
}

void TargetWalker::PopFrame() {
  frames_.back().node->onWalkPath = false;
  frames_.pop_back();
}

void TargetWalker::Abandon() {
  while (!frames_.empty()) PopFrame();
  start_ = nullptr;
  resume_ = nullptr;
}

// A node without dependents (left).
WalkStatus TargetWalker::LeafStatus(TargetNode* node, bool buildAll) {
  if (node->HasCommands()) {
    switch (node->state) {
      case BuildState::NotStarted:
        // Found up to date on another path: building it now would run its
        // commands for nothing.
        if (node->hadDependents && node->settledUpToDate) return WalkStatus::Settled;
        ExpandOnce(node, buildAll);
        return WalkStatus::Selected;
      case BuildState::InProgress: return WalkStatus::Waiting;
      case BuildState::Failed: return WalkStatus::Blocked;
      case BuildState::Done: return WalkStatus::Finished;
    }
  }
  if (node->hadDependents) return WalkStatus::Finished;
  // A plain file is settled and done; it needs no list of its own.
  if (!node->commands) {
    node->state = BuildState::Done;
    return WalkStatus::Settled;
  }
  return node->state == BuildState::Failed ? WalkStatus::Blocked : WalkStatus::Settled;
}

// A node whose dependents have all been looked at.
WalkStatus TargetWalker::FrameStatus(const Frame& frame) {
  TargetNode* node = frame.node;
  if (node->HasCommands()) {
    // A dependent still being built may make it out of date; what the
    // others said is kept for when that one has ended.
    if (frame.waiting > 0) return WalkStatus::Waiting;
    if (node->mustBuild) return WalkStatus::Selected;
    node->settledUpToDate = true;
    return WalkStatus::Settled;
  }
  // A grouping target is not finished while a dependent is still being
  // built elsewhere.
  if (frame.waiting > 0) return WalkStatus::Waiting;
  return frame.blocked ? WalkStatus::Settled : WalkStatus::Finished;
}

TargetWalker::Step TargetWalker::Handle(Frame& frame, TargetNode* dependent, WalkStatus& status, bool buildAll) {
  TargetNode* node = frame.node;
  auto removeDependent = [&frame] {
    frame.node->dependents.erase(frame.next);
    frame.next = 0;
    frame.waiting = 0;
    frame.blocked = false;
  };
  switch (status) {
    case WalkStatus::MissingFile:
    case WalkStatus::Selected: return Step::Unwind;

    case WalkStatus::Settled: {
      const platform::FileStatus& file = FileOf(dependent);
      if (!file.exists) {
        lastMissingFile_ = dependent->name;
        status = WalkStatus::MissingFile;
        return Step::Unwind;
      }
      switch (node->state) {
        case BuildState::NotStarted:
          if (frame.file.exists && (buildAll || Newer(file, frame.file))) node->mustBuild = true;
          removeDependent();
          return Step::Continue;
        case BuildState::InProgress: status = WalkStatus::Waiting; return Step::FrameDone;
        case BuildState::Done: status = WalkStatus::Finished; return Step::FrameDone;
        case BuildState::Failed: ++frame.next; return Step::Continue;
      }
      return Step::Continue;
    }

    case WalkStatus::Finished: {
      const platform::FileStatus& file = FileOf(dependent);
      if (!file.exists || node->state != BuildState::NotStarted) {
        node->mustBuild = false;
      } else if (frame.file.exists && (buildAll || Newer(file, frame.file))) {
        node->mustBuild = true;
      }
      removeDependent();
      return Step::Continue;
    }

    case WalkStatus::Waiting:
      ++frame.waiting;
      ++frame.next;
      return Step::Continue;

    case WalkStatus::Blocked:
      node->mustBuild = false;
      frame.blocked = true;
      ++frame.next;
      return Step::Continue;
  }
  return Step::Continue;
}

// Hands the status of `from` to the frames above it until one goes on
// walking (`walking` stays set) or the walk has its result.
WalkResult TargetWalker::Deliver(TargetNode* from, WalkStatus status, bool buildAll, bool& walking) {
  for (;;) {
    if (frames_.empty()) {
      walking = false;
      start_ = nullptr;
      return {status, status == WalkStatus::Selected ? from : nullptr};
    }
    const Step step = Handle(frames_.back(), from, status, buildAll);
    if (step == Step::Continue) return {};
    if (step == Step::Unwind) {
      walking = false;
      if (status != WalkStatus::Selected) {
        Abandon();
        return {status, nullptr};
      }
      resume_ = from;
      return {status, from};
    }
    from = frames_.back().node;
    PopFrame();
  }
}

WalkResult TargetWalker::WalkTarget(TargetNode* node, bool buildAll) {
  TargetNode* child = node;
  if (node == start_ && resume_ && !frames_.empty()) {
    child = resume_;
  } else {
    Abandon();
    start_ = node;
  }
  resume_ = nullptr;

  for (;;) {
    WalkStatus status;
    TargetNode* from = child;
    if (!child) {
      Frame& frame = frames_.back();
      if (frame.next < frame.node->dependents.size()) {
        child = frame.node->dependents[frame.next];
        continue;
      }
      status = FrameStatus(frame);
      from = frame.node;
      PopFrame();
    } else if (!child->onWalkPath && !child->dependents.empty()) {
      PushFrame(child, buildAll);
      child = nullptr;
      continue;
    } else {
      // A node already on the path closes a dependency cycle; that edge is
      // not followed.
      status = child->onWalkPath ? WalkStatus::Blocked : LeafStatus(child, buildAll);
      child = nullptr;
    }
    bool walking = true;
    const WalkResult result = Deliver(from, status, buildAll, walking);
    if (walking) continue;
    // Its commands run before the next call and may change its file.
    if (result.status == WalkStatus::Selected) result.target->fileKnown = false;
    return result;
  }
}

int TargetWalker::CountOutOfDate(std::string_view targetName, bool buildAll) const {
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
  int value = 0;          // the count of the node just finished
  bool builds = false;    // whether that node itself will be built

  // Marks `node` and gives its count at once when it needs no frame.
  auto enter = [&](TargetNode* node) -> bool {
    if (node->visited == mark) {
      value = 0;
      builds = willBuild[node->id];
      return true;
    }
    node->visited = mark;
    if (node->dependents.empty()) {
      builds = node->HasCommands() && node->state == BuildState::NotStarted &&
               !(node->hadDependents && node->settledUpToDate);
      willBuild[node->id] = builds;
      value = builds ? 1 : 0;
      return true;
    }
    const platform::FileStatus& file = FileOf(node);
    frames.push_back({node, 0, 0, !file.exists, file});
    return false;
  };

  if (enter(model_.SelectStartTarget(targetName))) return value;
  while (!frames.empty()) {
    CountFrame& frame = frames.back();
    if (frame.next == frame.node->dependents.size()) {
      builds = frame.stale && frame.node->HasCommands();
      willBuild[frame.node->id] = builds;
      value = frame.sum + (builds ? 1 : 0);
      frames.pop_back();
      if (frames.empty()) return value;
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
      if (file.exists && (buildAll || Newer(file, parent.file))) parent.stale = true;
    }
  }
  return value;
}

}  // namespace engine
