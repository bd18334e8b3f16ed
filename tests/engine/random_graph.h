// Random acyclic graphs for the build-order tests: node i names only nodes
// of higher index as dependents, so no graph has a cycle. mt19937's
// sequence is fixed by the standard: every platform draws the same graphs.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace engine::test {

struct RandomNode {
  std::string name;
  bool hasCommands = false;        // false: a source file that nothing builds
  std::vector<size_t> dependents;  // may name one node twice
};

struct RandomGraph {
  std::vector<RandomNode> nodes;
  std::vector<size_t> tops;  // nodes that no other node depends on
};

// Adds `count` nodes PREFIX0, PREFIX1, ...: about a quarter are sources, now
// and then a target has commands but no dependents, the rest up to four.
inline void AddRandomGraph(std::mt19937& random, size_t count, const std::string& prefix, RandomGraph& graph) {
  const size_t first = graph.nodes.size();
  std::vector<bool> hasParent(count, false);
  for (size_t i = 0; i < count; ++i) {
    RandomNode node;
    node.name = prefix + std::to_string(i);
    const size_t later = count - 1 - i;
    const bool source = later == 0 || random() % 4 == 0;
    node.hasCommands = !source || random() % 10 == 0;
    for (size_t k = source ? 0 : random() % (std::min<size_t>(4, later) + 1); k > 0; --k) {
      const size_t d = i + 1 + random() % later;
      hasParent[d] = true;
      node.dependents.push_back(first + d);
    }
    graph.nodes.push_back(std::move(node));
  }
  for (size_t i = 0; i < count; ++i) if (!hasParent[i]) graph.tops.push_back(first + i);
}

}  // namespace engine::test
