#include "engine/special_macros.h"

#include <optional>
#include <vector>

#include "engine/path_parts.h"
#include "engine/special_macro_scanner.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/directory.h"
#include "platform/relative_path.h"

namespace engine {
namespace {

// Names in a list are separated by a blank; one that holds a blank itself
// is quoted so that the list still reads as separate names.
void AppendListName(std::string& list, const std::string& name) {
  if (!list.empty()) list.push_back(' ');
  if (name.find_first_of(" \t") == std::string::npos) {
    list += name;
  } else {
    list.append(1, '"').append(name).append(1, '"');
  }
}

std::string Quoted(const std::string& text) { return std::string(1, '"').append(text).append(1, '"'); }

// The directory of `name` as an absolute path; a root keeps its separator
// so that it still reads as absolute. A name that has no absolute form
// gives its own directory.
std::string AbsoluteDirectoryOf(const std::string& name) {
  const std::string fullPath = platform::FullPath(name);
  if (fullPath.empty()) return SplitPath(name).directory;
  std::string directory = SplitPath(fullPath).directory;
  if (directory.empty() || directory.back() == ':') directory.push_back(platform::kPathSeparator);
  return directory;
}

// The values of the tokens for one target, with each file looked at once.
class TokenValues {
 public:
  TokenValues(const TargetNode& node, bool buildAll) : node_(node), buildAll_(buildAll) {}

  std::string Value(const SpecialMacroToken& token) {
    switch (token.kind) {
      case SpecialMacroKind::Target: return Quoted(ApplyModifier(token.modifier, TargetPath()));
      case SpecialMacroKind::TargetBase: return ApplyModifier(token.modifier, TargetBase());
      case SpecialMacroKind::AllDependents: return DependentList(token.modifier, false);
      case SpecialMacroKind::NewerDependents: return DependentList(token.modifier, true);
      case SpecialMacroKind::FirstDependent: return FirstDependent(token.modifier);
      case SpecialMacroKind::NotSpecial:
      case SpecialMacroKind::EndOfScan: break;
    }
    return std::string();
  }

 private:
  const platform::FileStatus& Target() {
    if (!target_) target_ = platform::PathStatus(node_.name);
    return *target_;
  }

  const platform::FileStatus& Dependent(size_t index) {
    if (dependents_.empty()) {
      for (const TargetNode* dependent : node_.dependents) dependents_.push_back(platform::PathStatus(dependent->name));
    }
    return dependents_[index];
  }

  // True when the dependent at `index` makes the target out of date.
  bool Stale(size_t index) {
    const platform::FileStatus& dependent = Dependent(index);
    return buildAll_ || !Target().exists || !dependent.exists || platform::ModifiedAfter(dependent, Target());
  }

  std::string TargetPath() {
    std::string fullPath = Target().exists ? platform::FullPath(node_.name) : std::string();
    return fullPath.empty() ? node_.name : fullPath;
  }

  std::string TargetBase() {
    return RelativeDirectory(AbsoluteDirectoryOf(node_.name), true) +
           SplitPath(node_.name).base;
  }

  std::string DependentList(MacroModifier modifier, bool staleOnly) {
    std::string list;
    for (size_t i = 0; i < node_.dependents.size(); ++i) {
      if (staleOnly && !Stale(i)) continue;
      AppendListName(list, ApplyModifier(modifier, node_.dependents[i]->name));
    }
    return list;
  }

  std::string FirstDependent(MacroModifier modifier) {
    if (node_.dependents.empty()) return std::string();
    bool stale = false;
    for (size_t i = 0; i < node_.dependents.size() && !stale; ++i) stale = Stale(i);
    if (!stale) return std::string();
    const std::string& name = node_.dependents[0]->name;
    const PathParts parts = SplitPath(name);
    const std::string path =
        RelativeDirectory(AbsoluteDirectoryOf(name), true) + parts.base + parts.extension;
    return ApplyModifier(modifier, path);
  }

  const TargetNode& node_;
  const bool buildAll_;
  std::optional<platform::FileStatus> target_;
  std::vector<platform::FileStatus> dependents_;
};

std::string Expand(TokenValues& values, std::string_view text) {
  return ReplaceSpecialMacros(text, [&values](const SpecialMacroToken& token) { return values.Value(token); });
}

}  // namespace

std::string RelativeDirectory(const std::string& directory, bool withSeparator) {
  const std::optional<std::string> relative = platform::RelativePathBetween(platform::WorkingDirectory(), directory);
  std::string result;
  if (!relative) {
    result = directory;
  } else if (*relative != ".") {
    result = *relative;
  }
  // The last byte alone may be the trail byte of a double-byte character.
  if (withSeparator && !result.empty() && !LastPathComponent(result).empty()) {
    result.push_back(platform::kPathSeparator);
  }
  return result;
}

std::string ExpandSpecialMacros(const TargetNode& node, std::string_view text, bool buildAll) {
  TokenValues values(node, buildAll);
  return Expand(values, text);
}

void ExpandTargetCommands(TargetNode& node, bool buildAll) {
  if (!node.commands) return;
  TokenValues values(node, buildAll);
  for (size_t i = 0; i < node.commands->Count(); ++i) {
    const CommandLine& original = node.commands->Line(i);
    // Every token starts with a '$'.
    if (original.text.find('$') == std::string::npos &&
        (original.inlineKind == InlineKind::None || original.inlineContent.find('$') == std::string::npos)) {
      continue;
    }
    CommandLine line = original;
    line.text = Expand(values, line.text);
    if (line.inlineKind != InlineKind::None) line.inlineContent = Expand(values, line.inlineContent);
    node.commands->ReplaceLine(i, std::move(line));
  }
}

}  // namespace engine
