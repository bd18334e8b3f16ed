// One target or dependent file of the dependency graph.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/command_list.h"
#include "platform/file_status.h"

namespace engine {

class TargetModel;
struct TargetNode;

// The ordered dependents of a node. The walk removes entries as they are
// settled, mostly from the front, which costs nothing here.
class DependentList {
 public:
  using const_iterator = std::vector<TargetNode*>::const_iterator;

  size_t size() const { return items_.size() - head_; }
  bool empty() const { return size() == 0; }
  TargetNode* operator[](size_t index) const { return items_[head_ + index]; }
  const_iterator begin() const { return items_.begin() + static_cast<std::ptrdiff_t>(head_); }
  const_iterator end() const { return items_.end(); }

  void push_back(TargetNode* node) { items_.push_back(node); }
  void push_front(TargetNode* node);
  void erase(size_t index);
  std::vector<TargetNode*> ToVector() const { return {begin(), end()}; }

 private:
  std::vector<TargetNode*> items_;
  size_t head_ = 0;
};

struct TargetNode {
  std::string name;
  // Absent and empty are different: a node without a list is a plain file.
  std::unique_ptr<CommandList> commands;
  DependentList dependents;
  // Set once a dependent was ever added; the walk empties `dependents`.
  bool hadDependents = false;
  TargetModel* owner = nullptr;
  size_t id = 0;  // position in the model's list of all nodes
  unsigned visited = 0;  // equals the model's current mark when visited
  bool mustBuild = false;
  bool commandsExpanded = false;
  // The walk found it up to date once; another path must not build it.
  bool settledUpToDate = false;
  // Set while the walk is below this node, to stop at a dependency cycle.
  bool onWalkPath = false;
  // The node an inference rule created this one for, else none.
  TargetNode* inferredFor = nullptr;
  // The next node made whose name matches this one's without regard to
  // case, else none.
  TargetNode* nextByName = nullptr;
  bool isRoot = false;
  // The dependents as they stood before the build, for the timestamp view.
  std::vector<TargetNode*> loadedDependents;
  // The file's status as the walk last read it, valid while fileKnown is
  // set. A run reads each file once, and a target's file again after it has
  // been selected for building, since its commands may change it.
  platform::FileStatus file;
  bool fileKnown = false;

  bool HasCommands() const { return commands && !commands->Empty(); }
  BuildState State() const { return commands ? commands->State() : BuildState::NotStarted; }
};

}  // namespace engine
