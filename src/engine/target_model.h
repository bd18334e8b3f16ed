// The dependency graph: every target and dependent a makefile names, with
// the commands and the ordered dependents of each.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/command_list.h"
#include "engine/rule_table.h"
#include "engine/target_node.h"

namespace engine {

// One target name of a dependency line.
struct DependencyBlock {
  std::string targetName;
  std::string dependentsText;  // after macro expansion; $* still in it
  std::unique_ptr<CommandList> commands;
};

class TargetModel {
 public:
  TargetModel() = default;
  TargetModel(const TargetModel&) = delete;
  TargetModel& operator=(const TargetModel&) = delete;

  // Merges one block into the graph. A target that exists (matched without
  // regard to case) gets the block's commands after its own and its
  // dependents appended. A new target adopts the roots its dependents text
  // names (without regard to case) and links the other names exactly; it
  // becomes the last root.
  void AddDependencyBlock(DependencyBlock block);

  // The first node in pre-order from the roots whose name matches without
  // regard to case, or none.
  TargetNode* FindTarget(std::string_view name) const;

  // FindTarget, else the first root. Needs at least one root.
  TargetNode* SelectStartTarget(std::string_view name) const;

  // True when some root is among its own transitive dependents (the same
  // node, or a node of exactly its name).
  bool HasRootCycle() const;

  // The nodes of one dependency cycle, first node repeated at the end; empty
  // when the graph has none.
  std::vector<const TargetNode*> FindDependencyCycle() const;

  // The path of a cycle that HasRootCycle reports: a node cycle, or a root
  // down to a namesake of its own below it. Empty when there is none.
  std::vector<const TargetNode*> FindRootCycle() const;

  // Gives every command-less target reachable from the roots the commands
  // of its inference rule, and the source file as its first dependent.
  // Rules chain through intermediate suffixes; a rule that would derive a
  // name already on its own chain is not applied.
  void ApplyInferenceRules(const RuleTable& rules);

  const std::vector<TargetNode*>& Roots() const;
  bool HasRoots() const { return !Roots().empty(); }
  // Every node ever made; their ids run from 0 up to this.
  size_t NodeCount() const { return nodeCount_; }

  // Every node reachable from the roots once: a node before its dependents,
  // a shared node at its first occurrence.
  std::vector<TargetNode*> NodesInPreOrder() const;

  // Starts a new round of visit marks: no node is marked after it. A node
  // is marked when its `visited` equals the result.
  unsigned ClearVisitMarks() const { return ++visitMark_; }

 private:
  static constexpr size_t kChunkBits = 10;
  static constexpr size_t kChunkSize = size_t{1} << kChunkBits;

  TargetNode& NodeAt(size_t id) const { return chunks_[id >> kChunkBits][id & (kChunkSize - 1)]; }
  TargetNode* CreateNode(std::string name);
  // The slot of byName_ that holds the first node matching `name` without
  // regard to case, or the empty slot where it would go.
  size_t SlotOf(std::string_view name) const;
  void Index(TargetNode* node);
  // The nodes that match `name` without regard to case; none when there is
  // no such node.
  TargetNode* Named(std::string_view name) const;
  // The first node in pre-order among `candidates`.
  TargetNode* FirstInPreOrder(const std::vector<TargetNode*>& candidates) const;
  // The first node in pre-order among those that match `name` without
  // regard to case and satisfy `exact` (when set, the name as it is).
  TargetNode* FirstNamed(std::string_view name, bool exact) const;
  // How many nodes have exactly this name.
  size_t CountNamedExactly(const std::string& name) const;
  TargetNode* FindExact(const std::string& name) const { return FirstNamed(name, true); }
  TargetNode* FindRoot(std::string_view name) const;
  // True when some root lies on a cycle of nodes.
  bool RootOnNodeCycle() const;
  // The node called `name` (exactly), created when there is none.
  TargetNode* LinkDependent(TargetNode* parent, const std::string& name);
  void RemoveRoot(TargetNode* node);

  // The nodes in the order they were made, in chunks that never move.
  std::vector<std::unique_ptr<TargetNode[]>> chunks_;
  size_t nodeCount_ = 0;
  mutable std::vector<TargetNode*> roots_;  // may hold nodes no longer roots
  mutable bool rootsStale_ = false;
  // One slot per name without regard to case, open addressing with linear
  // probing: the first node made with that name, the others chained behind
  // it through TargetNode::nextByName. Never more than three quarters full.
  std::vector<TargetNode*> byName_;
  size_t nameCount_ = 0;
  mutable unsigned visitMark_ = 0;
};

// "a -> b -> a": the names of a cycle as FindDependencyCycle gives it.
std::string DescribeCycle(const std::vector<const TargetNode*>& cycle);

}  // namespace engine
