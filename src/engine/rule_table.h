// The suffix list and the inference rules that give command-less targets
// their commands.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/command_list.h"

namespace engine {

struct SuffixEntry {
  std::string text;  // such as ".c"; compared exactly
  int order = 0;     // 1 for the first entry, one more than the last after
};

struct InferenceRule {
  const SuffixEntry* from = nullptr;
  std::string fromDirectory;
  std::string toSuffix;  // " " stands for no suffix
  std::string toDirectory;
  std::unique_ptr<CommandList> commands;
};

class RuleTable {
 public:
  using RuleList = std::vector<std::unique_ptr<InferenceRule>>;
  // Key: to directory, path separator, to suffix.
  using RuleMap = std::map<std::string, RuleList>;

  // 0 when appended, 1 for an empty text.
  int AddSuffix(std::string_view text);

  // Forgets every suffix and every rule; the next suffix gets order 1.
  void ClearRuleTable();

  // 0 when entered; 1 when `commands` is absent or empty or `fromSuffix` is
  // empty; 2 when no suffix entry has the text `fromSuffix`. A rule with the
  // same source suffix and directory as an existing one replaces it; rules
  // of one key stay ordered by the suffix list.
  int AddInferenceRule(std::string_view fromSuffix, std::string fromDirectory, std::string_view toSuffix,
                       std::string toDirectory, std::unique_ptr<CommandList> commands);

  // The rule for `targetName`, if any, with the source file name it
  // derives. No file is looked at.
  const InferenceRule* MatchInferenceRule(std::string_view targetName, std::string& dependentName) const;

  // As MatchInferenceRule, and copies the rule's lines into `commands`
  // (created when absent).
  bool FindInferenceRule(std::string_view targetName, std::string& dependentName,
                         std::unique_ptr<CommandList>& commands) const;

  const std::vector<std::unique_ptr<SuffixEntry>>& Suffixes() const { return suffixes_; }
  const RuleMap& Rules() const { return rules_; }

 private:
  std::vector<std::unique_ptr<SuffixEntry>> suffixes_;
  std::unordered_map<std::string, const SuffixEntry*> firstSuffixByText_;
  RuleMap rules_;
};

// The suffixes every makefile starts with, in order.
inline constexpr const char* kDefaultSuffixes = ".ctx .abs .o .out .c .cpp .cxx .asm .src .s .h .hpp";

}  // namespace engine
