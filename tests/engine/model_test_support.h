// Small helpers that fill a model the way dependency lines do.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "support/bramle_process.h"

namespace engine::test {

inline std::unique_ptr<CommandList> Commands(const std::vector<std::string>& texts) {
  auto list = std::make_unique<CommandList>();
  for (const std::string& text : texts) {
    CommandLine line;
    line.SetCommandLine(text, "", "", InlineKind::None);
    list->Append(line);
  }
  return list;
}

// One dependency line; names are written Windows-style.
inline void Line(TargetModel& model, const std::string& target, const std::string& dependents,
                 const std::vector<std::string>& commands = {}) {
  model.AddDependencyBlock({testing_support::NativePath(target), testing_support::NativePath(dependents),
                            Commands(commands)});
}

inline std::vector<std::string> Names(const std::vector<TargetNode*>& nodes) {
  std::vector<std::string> names;
  for (const TargetNode* node : nodes) names.push_back(node->name);
  return names;
}

inline std::vector<std::string> DependentNames(const TargetNode* node) {
  return Names(node->dependents.ToVector());
}

inline std::vector<std::string> CommandTexts(const TargetNode* node) {
  std::vector<std::string> texts;
  if (node->commands) {
    for (const CommandLine& line : node->commands->Lines()) texts.push_back(line.text);
  }
  return texts;
}

inline RuleTable DefaultRules() {
  RuleTable rules;
  std::string suffixes = kDefaultSuffixes;
  size_t start = 0;
  while (start < suffixes.size()) {
    size_t end = suffixes.find(' ', start);
    if (end == std::string::npos) end = suffixes.size();
    rules.AddSuffix(suffixes.substr(start, end - start));
    start = end + 1;
  }
  return rules;
}

}  // namespace engine::test
