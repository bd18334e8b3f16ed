#include "engine/rule_table.h"

#include <utility>

#include "engine/path_parts.h"
#include "platform/path.h"

namespace engine {
namespace {

constexpr const char* kNoSuffix = " ";

std::string RuleKey(std::string_view directory, std::string_view suffix) {
  std::string key(directory);
  key.push_back(platform::kPathSeparator);
  key.append(suffix);
  return key;
}

}  // namespace

int RuleTable::AddSuffix(std::string_view text) {
  if (text.empty()) return 1;
  const int order = suffixes_.empty() ? 1 : suffixes_.back()->order + 1;
  suffixes_.push_back(std::make_unique<SuffixEntry>(SuffixEntry{std::string(text), order}));
  firstSuffixByText_.try_emplace(std::string(text), suffixes_.back().get());
  return 0;
}

void RuleTable::ClearRuleTable() {
  rules_.clear();
  firstSuffixByText_.clear();
  suffixes_.clear();
}

int RuleTable::AddInferenceRule(std::string_view fromSuffix, std::string fromDirectory, std::string_view toSuffix,
                                std::string toDirectory, std::unique_ptr<CommandList> commands) {
  if (!commands || commands->Empty() || fromSuffix.empty()) return 1;
  const auto suffix = firstSuffixByText_.find(std::string(fromSuffix));
  if (suffix == firstSuffixByText_.end()) return 2;

  auto rule = std::make_unique<InferenceRule>();
  rule->from = suffix->second;
  rule->fromDirectory = std::move(fromDirectory);
  rule->toSuffix = toSuffix.empty() ? std::string(kNoSuffix) : std::string(toSuffix);
  rule->toDirectory = std::move(toDirectory);
  rule->commands = std::move(commands);

  RuleList& list = rules_[RuleKey(rule->toDirectory, rule->toSuffix)];
  for (auto it = list.begin(); it != list.end(); ++it) {
    if ((*it)->from != rule->from) continue;
    if ((*it)->fromDirectory == rule->fromDirectory) {
      *it = std::move(rule);
      return 0;
    }
    // A rule with a source directory goes before the general one.
    if (!rule->fromDirectory.empty()) {
      list.insert(it, std::move(rule));
      return 0;
    }
  }
  auto later = list.begin();
  while (later != list.end() && (*later)->from->order <= rule->from->order) ++later;
  list.insert(later, std::move(rule));
  return 0;
}

const InferenceRule* RuleTable::MatchInferenceRule(std::string_view targetName, std::string& dependentName) const {
  if (rules_.empty()) return nullptr;
  const PathParts parts = SplitPath(targetName);
  const std::string extension = parts.extension.empty() ? std::string(kNoSuffix) : parts.extension;
  auto found = rules_.find(RuleKey(parts.directory, extension));
  if (found == rules_.end() && !parts.directory.empty()) found = rules_.find(RuleKey("", extension));
  if (found == rules_.end() || found->second.empty()) return nullptr;

  const InferenceRule& rule = *found->second.front();
  const std::string& directory = rule.fromDirectory.empty() ? parts.directory : rule.fromDirectory;
  dependentName.clear();
  if (!directory.empty()) {
    dependentName = directory;
    dependentName.push_back(platform::kPathSeparator);
  }
  dependentName += parts.base + rule.from->text;
  return &rule;
}

bool RuleTable::FindInferenceRule(std::string_view targetName, std::string& dependentName,
                                  std::unique_ptr<CommandList>& commands) const {
  const InferenceRule* rule = MatchInferenceRule(targetName, dependentName);
  if (!rule) return false;
  if (!commands) commands = std::make_unique<CommandList>();
  commands->AppendCopies(*rule->commands);
  return true;
}

}  // namespace engine
