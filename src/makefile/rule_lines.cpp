#include "makefile/rule_lines.h"

#include <memory>
#include <string>

#include "engine/command_list.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/escapes.h"
#include "makefile/inline_file_reader.h"
#include "makefile/line_text.h"
#include "makefile/makefile_reader.h"
#include "makefile/rule_line_syntax.h"

namespace makefile {
namespace {

constexpr std::string_view kSuffixesKeyword = ".SUFFIXES";

HandlerResult Fail(MakefileReader& reader, int code) {
  reader.RecordError(code);
  return HandlerResult::kError;
}

HandlerResult HandleSuffixesLine(MakefileReader& reader, std::string_view line) {
  line = TrimLeft(line.substr(kSuffixesKeyword.size()));
  const size_t colon = FindUnescaped(line, ':', 0);
  if (colon == std::string_view::npos) return Fail(reader, kErrorSuffixesNoColon);
  line = TrimLeft(line.substr(colon + 1));
  if (line.empty()) {
    reader.rules().ClearRuleTable();
    return HandlerResult::kTaken;
  }
  for (const std::string& suffix : SplitWords(RemoveEscapes(line))) {
    if (reader.rules().AddSuffix(suffix) != 0) return Fail(reader, kErrorOutOfMemory);
  }
  return HandlerResult::kTaken;
}

HandlerResult HandleInferenceRule(MakefileReader& reader, const InferenceRuleLine& rule) {
  auto commands = std::make_unique<engine::CommandList>();
  reader.pendingLine().clear();
  const HandlerResult block = ReadCommandBlock(reader, *commands);
  if (block == HandlerResult::kError) return block;
  if (commands->Empty()) return Fail(reader, kErrorRuleWithoutCommands);
  switch (reader.rules().AddInferenceRule(rule.fromSuffix, rule.fromDirectory, rule.toSuffix, rule.toDirectory,
                                          std::move(commands))) {
    case 0: return block;
    // As NMAKE does, a rule whose suffix is not listed is never used.
    case 2: return block;
    default: return Fail(reader, kErrorRuleRefused);
  }
}

// NMAKE's pseudo-targets, which no suffix list holds. ".IGNORE:" ignores the
// failures of every command after it; ".SILENT:" and ".PRECIOUS:" are read
// and change nothing (-S hides the echo; no target is deleted on failure).
bool HandlePseudoTarget(MakefileReader& reader, const InferenceRuleLine& rule) {
  if (!rule.toSuffix.empty() || !rule.fromDirectory.empty() || !rule.toDirectory.empty()) return false;
  if (rule.fromSuffix == ".IGNORE") {
    reader.IgnoreAllFailures();
    return true;
  }
  return rule.fromSuffix == ".SILENT" || rule.fromSuffix == ".PRECIOUS";
}

}  // namespace

HandlerResult HandleSuffixLine(MakefileReader& reader, std::string_view line) {
  const size_t first = line.find_first_not_of(' ');
  if (first == std::string_view::npos || (line[first] != '.' && line[first] != '{')) return HandlerResult::kNotMine;
  line.remove_prefix(first);
  if (line.substr(0, kSuffixesKeyword.size()) == kSuffixesKeyword) return HandleSuffixesLine(reader, line);

  InferenceRuleLine rule;
  switch (ParseInferenceRuleLine(line, rule)) {
    case RuleLineKind::kNotRule: return HandlerResult::kNotMine;
    case RuleLineKind::kMalformed: return Fail(reader, kErrorRuleNoColon);
    case RuleLineKind::kRule: break;
  }
  if (HandlePseudoTarget(reader, rule)) return HandlerResult::kTaken;
  return HandleInferenceRule(reader, rule);
}

namespace {

// A dependency line whose targets expanded to nothing (a fragment meant to
// be included, "$(PROJECT):"), with its command block, names nothing to
// build: NMAKE reads past it.
bool TargetsCameFromMacros(std::string_view writtenLine) {
  return writtenLine.substr(0, FindUnescaped(writtenLine, ':', 0)).find("$(") != std::string_view::npos;
}

HandlerResult SkipFragment(MakefileReader& reader) {
  engine::CommandList commands;
  reader.pendingLine().clear();
  return ReadCommandBlock(reader, commands);
}

}  // namespace

HandlerResult HandleDependencyLine(MakefileReader& reader, std::string_view line) {
  DependencyLine dependency;
  const int code = ParseDependencyLine(line, dependency);
  if (code == kErrorEmptyTarget && TargetsCameFromMacros(reader.error().lineText)) return SkipFragment(reader);
  if (code != 0) return Fail(reader, code);

  engine::CommandList commands;
  reader.pendingLine().clear();
  // The text after a ';' is the block's first command.
  if (dependency.hasInlineCommand) reader.pendingLine() = "\t" + dependency.inlineCommand;
  const HandlerResult block = ReadCommandBlock(reader, commands);

  // The targets are entered even when the block ended in an error. Each
  // gets its own copy of the dependents and commands; the last takes them.
  std::string dependents = RemoveEscapes(dependency.dependentsText);
  const size_t count = dependency.targetNames.size();
  for (size_t i = 0; i < count; ++i) {
    const bool last = i + 1 == count;
    engine::DependencyBlock entry;
    entry.targetName = RemoveEscapes(dependency.targetNames[i]);
    entry.dependentsText = last ? std::move(dependents) : dependents;
    entry.commands = last ? std::make_unique<engine::CommandList>(std::move(commands))
                          : std::make_unique<engine::CommandList>(commands);
    reader.targets().AddDependencyBlock(std::move(entry));
  }
  return block;
}

HandlerResult ReadCommandBlock(MakefileReader& reader, engine::CommandList& commands) {
  std::string line;
  for (;;) {
    std::string& pending = reader.pendingLine();
    if (pending.empty()) {
      switch (reader.ReadLogicalLine(line)) {
        case LineResult::kEndOfInput: return HandlerResult::kEndOfInput;
        case LineResult::kError: return HandlerResult::kError;
        case LineResult::kLine: break;
      }
    } else {
      line.swap(pending);
      pending.clear();
    }
    if (line[0] != '\t' && line[0] != ' ') {
      reader.pendingLine().swap(line);
      return HandlerResult::kTaken;
    }
    std::string command = RemoveEscapes(TrimLeft(line));
    if (reader.IgnoresAllFailures()) command.insert(0, 1, '-');
    if (command.find("<<") != std::string::npos) {
      if (!ReadInlineFile(reader, command, commands)) return HandlerResult::kError;
      continue;
    }
    // A command that is empty after its prefixes is kept as well.
    engine::CommandLine entry;
    entry.SetCommandLine(std::move(command), std::string(), std::string(), engine::InlineKind::None);
    commands.Append(std::move(entry));
  }
}

void AddDefaultSuffixes(engine::RuleTable& rules) {
  for (const std::string& suffix : SplitWords(engine::kDefaultSuffixes)) rules.AddSuffix(suffix);
}

}  // namespace makefile
