// The walk that decides what to build and in which order: depth first from
// each goal in turn, dependents in order, a target only after all its
// dependents are settled.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/target_model.h"
#include "engine/target_worker.h"
#include "platform/file_status.h"

namespace engine {

enum class WalkStatus {
  MissingFile = -1,  // a dependent nothing builds does not exist
  Settled = 0,       // nothing to do below the node
  Selected = 1,      // a target to build is given back
  Finished = 2,      // the node's work is complete
  Waiting = 3,       // what is left waits for targets being built
  Blocked = 4,       // a target below has failed
};

struct WalkResult {
  WalkStatus status = WalkStatus::Settled;
  TargetNode* target = nullptr;  // with Selected
};

// Reads the status of the file a node names.
using FileStatusReader = std::function<platform::FileStatus(const std::string& name)>;

struct WalkOptions {
  bool buildAll = false;   // a dependent that exists counts as newer than its target
  bool keepGoing = false;  // a missing file stops only what needs it, not the walk
};

// The walk hands out a target and goes on beside it, so that several can be
// built at once; a target that ends wakes only the targets waiting for it.
// Each node is entered once and each edge looked at a bounded number of
// times, so a whole build costs time linear in the graph. When every target
// ends before the next is asked for, the order is the depth-first one: a
// node after its dependents, dependents in the order written.
//
// A target whose dependent failed (or, with keepGoing, is a missing file) is
// not built and blocks everything above it in turn.
//
// Each file's status is read once and kept on its node. A selected target's
// file is read again when next needed: its commands may have changed it.
// Not for use on two threads at once.
class TargetWalker {
 public:
  explicit TargetWalker(TargetModel& model, FileStatusReader readStatus = platform::FindFileStatus)
      : model_(model), readStatus_(std::move(readStatus)) {}
  TargetWalker(const TargetWalker&) = delete;
  TargetWalker& operator=(const TargetWalker&) = delete;

  // The targets to build, in order (none: the default target); before the
  // first Next.
  void Begin(std::vector<TargetNode*> goals, WalkOptions options);

  // The next target to build, InProgress from now on; Waiting while what is
  // left needs targets still being built; else how the walk ended: Finished,
  // Settled, Blocked (a goal was not built) or MissingFile.
  WalkResult Next();

  // A target Next gave has ended. Done reads its file again; WouldBeMade
  // (its commands were only listed) counts it as made now; Failed blocks
  // what needs it; Lost and Stopped give it back to be handed out again.
  void Finish(TargetNode& target, TargetOutcome outcome);

  // How many targets the walk would build from the goals, each shared one
  // once. Changes nothing but the visit marks.
  int CountOutOfDate() const;

  // The dependent that ended the walk with MissingFile.
  const std::string& LastMissingFile() const { return lastMissingFile_; }
  // With keepGoing: the missing files met, each once, in the order met.
  const std::vector<std::string>& SkippedMissingFiles() const { return skippedMissing_; }
  // The first file met whose time lies in the future; empty when none.
  const std::string& FutureFile() const { return futureFile_; }

 private:
  enum class Phase : std::uint8_t {
    Unseen,
    OnPath,   // its dependents are being walked
    Pending,  // walked; some dependents are not settled yet
    Queued,   // to be handed out
    Out,      // handed out
    Decided,  // `result` holds
  };
  static constexpr std::uint32_t kNone = ~std::uint32_t{0};
  struct NodeWalk {
    Phase phase = Phase::Unseen;
    bool blocked = false;       // a dependent is blocked (or missing, with keepGoing)
    bool missingNoted = false;  // in skippedMissing_
    WalkStatus result = WalkStatus::Settled;
    std::uint32_t pending = 0;      // dependents not settled yet
    std::uint32_t waiters = kNone;  // first of the nodes waiting for this one
  };
  struct Waiter {
    TargetNode* node;
    std::uint32_t next;
  };
  struct Frame {
    TargetNode* node;
    std::uint32_t next;
  };

  void Prepare();
  const std::vector<TargetNode*>& Goals() const;
  NodeWalk& Of(const TargetNode* node) { return nodes_[node->id]; }
  // The node's file status, read when not known yet.
  const platform::FileStatus& FileOf(TargetNode* node) const;
  // Steps from `parent` (none for a goal) to `node`; gives a target to hand
  // out now, or none.
  TargetNode* Visit(TargetNode* node, TargetNode* parent);
  void AddWaiter(TargetNode* node, TargetNode* parent);
  // What a node whose dependents are all settled comes to: Selected, or
  // its result.
  WalkStatus Decide(TargetNode* node);
  // Records the node's result and tells the nodes waiting for it, deciding
  // those that then have nothing left to wait for.
  void Settle(TargetNode* node, WalkStatus result);
  // `parent` learns the result of its dependent `node`.
  void Tell(TargetNode* parent, TargetNode* node);
  WalkResult Select(TargetNode* node);
  WalkStatus EndStatus() const;

  TargetModel& model_;
  FileStatusReader readStatus_;
  WalkOptions options_;
  mutable std::vector<TargetNode*> goals_;
  mutable bool goalsKnown_ = false;
  bool prepared_ = false;
  size_t nextGoal_ = 0;
  std::vector<NodeWalk> nodes_;  // by node id
  std::vector<Waiter> waiters_;
  std::vector<Frame> frames_;
  std::deque<TargetNode*> ready_;
  std::vector<TargetNode*> settling_;
  int out_ = 0;           // targets handed out and not ended
  bool stopped_ = false;  // a missing file ends the walk
  std::string lastMissingFile_;
  std::vector<std::string> skippedMissing_;
  mutable std::string futureFile_;
  mutable std::int64_t now_ = 0;  // the clock as last read, for the future check
};

}  // namespace engine
