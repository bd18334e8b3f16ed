// One target or dependent file of the dependency graph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/command_list.h"
#include "platform/file_status.h"

namespace engine {

struct TargetNode;

// The ordered dependents of a node. A large graph
// holds one list per node, so the list is kept small and most lists get
// exactly the room their dependency line asks for.
class DependentList {
 public:
  using const_iterator = TargetNode* const*;

  DependentList() = default;
  DependentList(const DependentList&) = delete;
  DependentList& operator=(const DependentList&) = delete;

  size_t size() const { return end_ - head_; }
  bool empty() const { return end_ == head_; }
  TargetNode* operator[](size_t index) const { return items_[head_ + index]; }
  const_iterator begin() const { return items_.get() + head_; }
  const_iterator end() const { return items_.get() + end_; }

  // Room for `count` more entries: exactly that on a list that never had
  // any, else at least twice the room it has.
  void Reserve(size_t count);
  void push_back(TargetNode* node);
  void push_front(TargetNode* node);
  std::vector<TargetNode*> ToVector() const { return {begin(), end()}; }

 private:
  std::unique_ptr<TargetNode*[]> items_;
  std::uint32_t head_ = 0;
  std::uint32_t end_ = 0;
  std::uint32_t capacity_ = 0;
};

struct TargetNode {
  std::string name;
  // Absent and empty are different: a node without a list is a plain file.
  std::unique_ptr<CommandList> commands;
  DependentList dependents;
  // The next node whose name matches this one's without regard to case,
  // else none.
  TargetNode* nextByName = nullptr;
  // The file's status as the walk last read it, valid while fileKnown is
  // set. A run reads each file once, and a target's file again after it has
  // been selected for building, since its commands may change it.
  platform::FileStatus file;
  std::uint32_t id = 0;  // position in the model's list of all nodes
  unsigned visited = 0;  // equals the model's current mark when visited
  BuildState state = BuildState::NotStarted;
  bool commandsExpanded = false;
  bool isRoot = false;
  bool fileKnown = false;

  bool HasCommands() const { return commands && !commands->Empty(); }
};

}  // namespace engine
