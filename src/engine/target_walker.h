// The walk that decides, one target at a time, what to build next: depth
// first from the start target, dependents in order, a target only after
// all its dependents are settled.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/target_model.h"
#include "platform/file_status.h"

namespace engine {

enum class WalkStatus {
  MissingFile = -1,  // a dependent nothing builds does not exist
  Settled = 0,       // nothing to do below the node now
  Selected = 1,      // a target to build is given back
  Finished = 2,      // the node's work is complete
  Waiting = 3,       // a target below is in progress elsewhere
  Blocked = 4,       // a target below has failed
};

struct WalkResult {
  WalkStatus status = WalkStatus::Settled;
  TargetNode* target = nullptr;  // with Selected
};

// Reads the status of the file a node names.
using FileStatusReader = std::function<platform::FileStatus(const std::string& name)>;

// The walk changes the model as it goes (dependents are removed once
// settled, states set), so each call goes on where the last one stopped.
// After a target is selected, the next call resumes beside it instead of
// descending from the start again. Not for use on two threads at once.
//
// Each file's status is read once and kept on its node. A selected target's
// file is read again when next needed: its commands run between the calls.
class TargetWalker {
 public:
  explicit TargetWalker(TargetModel& model, FileStatusReader readStatus = platform::FindFileStatus)
      : model_(model), readStatus_(std::move(readStatus)) {}
  ~TargetWalker() { Abandon(); }
  TargetWalker(const TargetWalker&) = delete;
  TargetWalker& operator=(const TargetWalker&) = delete;

  // WalkTarget on SelectStartTarget(targetName).
  WalkResult NextBuildTarget(std::string_view targetName, bool buildAll);

  // With buildAll, a dependent that exists counts as newer than its target.
  WalkResult WalkTarget(TargetNode* node, bool buildAll);

  // How many targets the walk would build from the start target, each
  // shared one once. Changes nothing but the visit marks.
  int CountOutOfDate(std::string_view targetName, bool buildAll) const;

  // The next call descends from the start again instead of resuming beside
  // the last selected target: targets ended elsewhere since then.
  void Restart() { Abandon(); }

  // The dependent that the last MissingFile was about; never cleared.
  const std::string& LastMissingFile() const { return lastMissingFile_; }

 private:
  struct Frame {
    TargetNode* node = nullptr;
    size_t next = 0;
    int waiting = 0;
    bool blocked = false;
    platform::FileStatus file;
  };
  enum class Step { Continue, FrameDone, Unwind };

  // The node's file status, read when not known yet.
  const platform::FileStatus& FileOf(TargetNode* node) const;
  void PushFrame(TargetNode* node, bool buildAll);
  void PopFrame();
  void Abandon();
  WalkStatus LeafStatus(TargetNode* node, bool buildAll);
  WalkStatus FrameStatus(const Frame& frame);
  Step Handle(Frame& frame, TargetNode* dependent, WalkStatus& status, bool buildAll);
  WalkResult Deliver(TargetNode* from, WalkStatus status, bool buildAll, bool& walking);

  TargetModel& model_;
  FileStatusReader readStatus_;
  std::string lastMissingFile_;
  std::vector<Frame> frames_;     // kept after a selection, for the next call
  TargetNode* start_ = nullptr;   // where the kept frames began
  TargetNode* resume_ = nullptr;  // the selected node the next call looks at again
};

}  // namespace engine
