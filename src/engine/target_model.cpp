#include "engine/target_model.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/name_compare.h"
#include "engine/name_token.h"
#include "engine/path_parts.h"
#include "engine/special_macro_scanner.h"
#include "platform/path.h"

namespace engine {
namespace {

constexpr int kUnvisited = -1;

// Replaces $* (and its modifier forms) in a dependents text by the target's
// path without extension; every other token stays as written.
std::string SubstituteTargetBase(std::string_view targetName, std::string_view text) {
  std::string value;
  // Worked out only when a dependents text holds $* at all.
  auto targetBase = [&]() -> const std::string& {
    if (value.empty()) {
      const PathParts parts = SplitPath(targetName);
      if (!parts.directory.empty()) {
        value = parts.directory;
        value.push_back(platform::kPathSeparator);
      }
      value += parts.base;
    }
    return value;
  };
  return ReplaceSpecialMacros(text, [&targetBase](const SpecialMacroToken& token) -> std::optional<std::string> {
    if (token.kind != SpecialMacroKind::TargetBase) return std::nullopt;
    return ApplyModifier(token.modifier, targetBase());
  });
}

std::vector<std::string> ReadNames(std::string_view text) {
  std::vector<std::string> names;
  for (;;) {
    std::string name = ReadNameToken(text);
    if (name.empty()) return names;
    names.push_back(std::move(name));
  }
}

}  // namespace

TargetNode* TargetModel::CreateNode(std::string name) {
  if ((nodeCount_ & (kChunkSize - 1)) == 0) chunks_.push_back(std::make_unique<TargetNode[]>(kChunkSize));
  TargetNode& node = NodeAt(nodeCount_);
  node.name = std::move(name);
  node.id = static_cast<std::uint32_t>(nodeCount_++);
  return &node;
}

size_t TargetModel::SlotOf(std::string_view name) const {
  const size_t mask = byName_.size() - 1;
  size_t slot = HashIgnoringCase(name) & mask;
  while (byName_[slot] && !EqualsIgnoringCase(byName_[slot]->name, name)) slot = (slot + 1) & mask;
  return slot;
}

void TargetModel::Index(TargetNode* node) {
  if ((nameCount_ + 1) * 4 > byName_.size() * 3) {
    std::vector<TargetNode*> old(std::max<size_t>(16, byName_.size() * 2), nullptr);
    old.swap(byName_);
    for (TargetNode* first : old) {
      if (first) byName_[SlotOf(first->name)] = first;
    }
  }
  TargetNode*& first = byName_[SlotOf(node->name)];
  if (!first) {
    first = node;
    ++nameCount_;
    return;
  }
  // The order within a chain does not matter: several matches are ranked
  // by their place in the graph.
  node->nextByName = first->nextByName;
  first->nextByName = node;
}

TargetNode* TargetModel::Named(std::string_view name) const {
  return byName_.empty() ? nullptr : byName_[SlotOf(name)];
}

const std::vector<TargetNode*>& TargetModel::Roots() const {
  if (rootsStale_) {
    std::erase_if(roots_, [](const TargetNode* node) { return !node->isRoot; });
    rootsStale_ = false;
  }
  return roots_;
}

void TargetModel::RemoveRoot(TargetNode* node) {
  node->isRoot = false;
  rootsStale_ = true;
}

std::vector<TargetNode*> TargetModel::NodesInPreOrder() const {
  std::vector<TargetNode*> order;
  const unsigned mark = ClearVisitMarks();
  const std::vector<TargetNode*>& roots = Roots();
  std::vector<TargetNode*> pending(roots.rbegin(), roots.rend());
  while (!pending.empty()) {
    TargetNode* node = pending.back();
    pending.pop_back();
    if (node->visited == mark) continue;
    node->visited = mark;
    order.push_back(node);
    for (size_t i = node->dependents.size(); i-- > 0;) pending.push_back(node->dependents[i]);
  }
  return order;
}

TargetNode* TargetModel::FirstInPreOrder(const std::vector<TargetNode*>& candidates) const {
  if (candidates.empty()) return nullptr;
  if (candidates.size() == 1) return candidates.front();
  const std::unordered_set<const TargetNode*> wanted(candidates.begin(), candidates.end());
  for (TargetNode* node : NodesInPreOrder()) {
    if (wanted.count(node)) return node;
  }
  return nullptr;
}

TargetNode* TargetModel::FirstNamed(std::string_view name, bool exact) const {
  TargetNode* match = nullptr;
  size_t count = 0;
  for (TargetNode* node = Named(name); node; node = node->nextByName) {
    if (exact && node->name != name) continue;
    match = node;
    ++count;
  }
  if (count <= 1) return match;
  std::vector<TargetNode*> candidates;
  for (TargetNode* node = Named(name); node; node = node->nextByName) {
    if (!exact || node->name == name) candidates.push_back(node);
  }
  return FirstInPreOrder(candidates);
}

size_t TargetModel::CountNamedExactly(const std::string& name) const {
  size_t count = 0;
  for (const TargetNode* node = Named(name); node; node = node->nextByName) count += node->name == name ? 1 : 0;
  return count;
}

TargetNode* TargetModel::FindTarget(std::string_view name) const { return FirstNamed(name, false); }

TargetNode* TargetModel::FindRoot(std::string_view name) const {
  TargetNode* root = nullptr;
  size_t count = 0;
  for (TargetNode* node = Named(name); node; node = node->nextByName) {
    if (!node->isRoot) continue;
    root = node;
    ++count;
  }
  if (count <= 1) return root;
  // Several roots of this name in different letter case: the earliest root.
  for (TargetNode* each : Roots()) {
    if (each->isRoot && EqualsIgnoringCase(each->name, name)) return each;
  }
  return nullptr;
}

TargetNode* TargetModel::SelectStartTarget(std::string_view name) const {
  TargetNode* found = FindTarget(name);
  return found ? found : Roots().front();
}

TargetNode* TargetModel::LinkDependent(TargetNode* parent, const std::string& name) {
  TargetNode* dependent = FindExact(name);
  if (!dependent) {
    dependent = CreateNode(name);
    Index(dependent);
  }
  parent->dependents.push_back(dependent);
  return dependent;
}

void TargetModel::AddDependencyBlock(DependencyBlock block) {
  const std::vector<std::string> names = ReadNames(SubstituteTargetBase(block.targetName, block.dependentsText));

  if (TargetNode* target = FindTarget(block.targetName)) {
    if (target->commands && block.commands) {
      target->commands->AppendCopies(*block.commands);
    } else if (!target->commands) {
      target->commands = std::move(block.commands);
    }
    target->dependents.Reserve(names.size());
    for (const std::string& name : names) LinkDependent(target, name);
    return;
  }

  TargetNode* target = CreateNode(std::move(block.targetName));
  target->commands = std::move(block.commands);
  target->dependents.Reserve(names.size());
  // Roots named here become dependents, ahead of the other names.
  std::vector<const std::string*> remaining;
  for (const std::string& name : names) {
    if (TargetNode* root = FindRoot(name)) {
      RemoveRoot(root);
      target->dependents.push_back(root);
    } else {
      remaining.push_back(&name);
    }
  }
  for (const std::string* name : remaining) LinkDependent(target, *name);
  target->isRoot = true;
  roots_.push_back(target);
  Index(target);
}

bool TargetModel::HasRootCycle() const {
  // Most graphs have no cycle at all; only one that has needs the search
  // for a root on it.
  if (!FindDependencyCycle().empty() && RootOnNodeCycle()) return true;

  // A root whose exact name another node also has (a line naming its own
  // target, or an inferred source) depends on itself when that node lies
  // below it.
  for (const TargetNode* root : Roots()) {
    if (CountNamedExactly(root->name) < 2) continue;
    const unsigned mark = ClearVisitMarks();
    std::vector<TargetNode*> pending(root->dependents.begin(), root->dependents.end());
    while (!pending.empty()) {
      TargetNode* node = pending.back();
      pending.pop_back();
      if (node->visited == mark) continue;
      node->visited = mark;
      if (node->name == root->name) return true;
      pending.insert(pending.end(), node->dependents.begin(), node->dependents.end());
    }
  }
  return false;
}

bool TargetModel::RootOnNodeCycle() const {
  // Tarjan's strongly connected components, without recursion: a root on a
  // cycle lies in a component with more than one node or a loop to itself.
  const size_t count = nodeCount_;
  std::vector<int> index(count, kUnvisited);
  std::vector<int> lowLink(count, 0);
  std::vector<bool> onStack(count, false);
  std::vector<bool> cyclic(count, false);
  std::vector<const TargetNode*> componentStack;
  struct Frame {
    const TargetNode* node;
    size_t next;
  };
  std::vector<Frame> frames;
  int counter = 0;

  auto enter = [&](const TargetNode* node) {
    index[node->id] = lowLink[node->id] = counter++;
    componentStack.push_back(node);
    onStack[node->id] = true;
    frames.push_back({node, 0});
  };

  for (const TargetNode* start : Roots()) {
    if (index[start->id] != kUnvisited) continue;
    enter(start);
    while (!frames.empty()) {
      Frame& frame = frames.back();
      const TargetNode* node = frame.node;
      if (frame.next < node->dependents.size()) {
        const TargetNode* dependent = node->dependents[frame.next++];
        if (dependent == node) cyclic[node->id] = true;
        if (index[dependent->id] == kUnvisited) {
          enter(dependent);
        } else if (onStack[dependent->id]) {
          lowLink[node->id] = std::min(lowLink[node->id], index[dependent->id]);
        }
        continue;
      }
      frames.pop_back();
      if (!frames.empty()) {
        const size_t parent = frames.back().node->id;
        lowLink[parent] = std::min(lowLink[parent], lowLink[node->id]);
      }
      if (lowLink[node->id] != index[node->id]) continue;
      // The component is the stack down to this node; it has more than one
      // member when the node is not on top.
      const bool several = componentStack.back() != node;
      const TargetNode* member = nullptr;
      do {
        member = componentStack.back();
        componentStack.pop_back();
        onStack[member->id] = false;
        if (several) cyclic[member->id] = true;
      } while (member != node);
    }
  }

  for (const TargetNode* root : Roots()) {
    if (cyclic[root->id]) return true;
  }
  return false;
}

std::vector<const TargetNode*> TargetModel::FindDependencyCycle() const {
  enum Color : char { kWhite, kGrey, kBlack };
  std::vector<Color> color(nodeCount_, kWhite);
  struct Frame {
    const TargetNode* node;
    size_t next;
  };
  std::vector<Frame> frames;

  // From the roots first, then from every node in the order made.
  const std::vector<TargetNode*>& roots = Roots();
  for (size_t next = 0; next < roots.size() + nodeCount_; ++next) {
    const TargetNode* start = next < roots.size() ? roots[next] : &NodeAt(next - roots.size());
    if (color[start->id] != kWhite) continue;
    color[start->id] = kGrey;
    frames.push_back({start, 0});
    while (!frames.empty()) {
      Frame& frame = frames.back();
      if (frame.next == frame.node->dependents.size()) {
        color[frame.node->id] = kBlack;
        frames.pop_back();
        continue;
      }
      const TargetNode* dependent = frame.node->dependents[frame.next++];
      if (color[dependent->id] == kWhite) {
        color[dependent->id] = kGrey;
        frames.push_back({dependent, 0});
      } else if (color[dependent->id] == kGrey) {
        std::vector<const TargetNode*> cycle;
        auto first = std::find_if(frames.begin(), frames.end(),
                                  [dependent](const Frame& each) { return each.node == dependent; });
        for (auto it = first; it != frames.end(); ++it) cycle.push_back(it->node);
        cycle.push_back(dependent);
        return cycle;
      }
    }
  }
  return {};
}

std::vector<const TargetNode*> TargetModel::FindRootCycle() const {
  std::vector<const TargetNode*> cycle = FindDependencyCycle();
  if (!cycle.empty()) return cycle;
  for (const TargetNode* root : Roots()) {
    if (CountNamedExactly(root->name) < 2) continue;
    // Breadth first with the node each was reached from, so the path can be
    // read back from the namesake.
    std::unordered_map<const TargetNode*, const TargetNode*> reachedFrom{{root, nullptr}};
    std::vector<const TargetNode*> queue{root};
    for (size_t next = 0; next < queue.size(); ++next) {
      for (const TargetNode* dependent : queue[next]->dependents) {
        if (!reachedFrom.emplace(dependent, queue[next]).second) continue;
        if (dependent->name == root->name) {
          for (const TargetNode* step = dependent; step; step = reachedFrom[step]) cycle.push_back(step);
          std::reverse(cycle.begin(), cycle.end());
          return cycle;
        }
        queue.push_back(dependent);
      }
    }
  }
  return cycle;
}

void TargetModel::ApplyInferenceRules(const RuleTable& rules) {
  // Each node once: the outcome for a node does not depend on the path to
  // it, and a shared subtree is not worked through again.
  const unsigned mark = ClearVisitMarks();
  const std::vector<TargetNode*>& roots = Roots();
  std::vector<TargetNode*> pending(roots.rbegin(), roots.rend());
  std::string source;
  // The node each inferred source was made for.
  std::unordered_map<const TargetNode*, const TargetNode*> inferredFor;
  while (!pending.empty()) {
    TargetNode* node = pending.back();
    pending.pop_back();
    if (node->visited == mark) continue;
    node->visited = mark;

    const InferenceRule* rule = node->HasCommands() ? nullptr : rules.MatchInferenceRule(node->name, source);
    bool onOwnChain = false;
    for (const TargetNode* link = node; rule && link && !onOwnChain;) {
      onOwnChain = EqualsIgnoringCase(link->name, source);
      const auto madeFor = inferredFor.find(link);
      link = madeFor == inferredFor.end() ? nullptr : madeFor->second;
    }
    if (rule && !onOwnChain) {
      if (!node->commands) node->commands = std::make_unique<CommandList>();
      node->commands->AppendCopies(*rule->commands);
      const bool listed = std::any_of(node->dependents.begin(), node->dependents.end(),
                                      [&](const TargetNode* each) { return EqualsIgnoringCase(each->name, source); });
      if (!listed) {
        TargetNode* inferred = CreateNode(source);
        inferredFor.emplace(inferred, node);
        Index(inferred);
        node->dependents.push_front(inferred);
      }
    }
    for (size_t i = node->dependents.size(); i-- > 0;) pending.push_back(node->dependents[i]);
  }
}

std::string DescribeCycle(const std::vector<const TargetNode*>& cycle) {
  std::string names;
  for (const TargetNode* node : cycle) {
    if (!names.empty()) names += " -> ";
    names += node->name;
  }
  return names;
}

}  // namespace engine
