#include "engine/goals.h"

#include "diag/message_catalogue.h"
#include "diag/notice.h"
#include "diag/report.h"
#include "platform/file_status.h"

namespace engine {
namespace {

bool FileExists(const std::string& name) { return platform::FindFileStatus(name).exists; }

// A dependents text naming `name` alone.
std::string NameText(const std::string& name) {
  if (name.find_first_of(" \t") == std::string::npos) return name;
  return "\"" + name + "\"";
}

// The node an inference rule makes for `name`, or none when no rule has a
// source to start from.
TargetNode* TargetByRule(TargetModel& model, const RuleTable& rules, const std::string& name) {
  std::string source;
  auto commands = std::make_unique<CommandList>();
  if (!rules.FindInferenceRule(name, source, commands)) return nullptr;
  if (!FileExists(source) && !model.FindTarget(source)) return nullptr;
  model.AddDependencyBlock({name, NameText(source), std::move(commands)});
  return model.FindTarget(name);
}

}  // namespace

bool ResolveGoals(TargetModel& model, const RuleTable& rules, const std::vector<std::string>& names,
                  std::vector<TargetNode*>& goals) {
  for (const std::string& name : names) {
    TargetNode* node = model.FindTarget(name);
    if (!node) node = TargetByRule(model, rules, name);
    if (node) {
      goals.push_back(node);
    } else if (FileExists(name)) {
      diag::WriteNotice(diag::FormatCatalogMessage(diag::msg::kGoalUpToDate, name) + "\n");
    } else {
      diag::FatalError(diag::FormatCatalogMessage(diag::msg::kNoRuleToMake, name));
      return false;
    }
  }
  return true;
}

}  // namespace engine
