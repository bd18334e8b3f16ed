#include "engine/model_report.h"

#include <ctime>

#include "diag/message_catalogue.h"
#include "diag/notice.h"
#include "platform/file_status.h"
#include "platform/local_time.h"

namespace engine {
namespace {

constexpr const char* kRuleLine = "+---------------------------------------\n";
constexpr const char* kInnerRuleLine = "|+---------------------------------------\n";

void AppendMacros(std::string& out, const MacroEntries& macros) {
  out += "+---------View Macro Defined------------\n";
  for (const auto& [name, value] : macros) out += diag::FormatPrintf("| %s = %s\n", name.c_str(), value.c_str());
  out.append(kRuleLine).append("\n");
}

void AppendCommands(std::string& out, const CommandList* commands) {
  if (!commands) return;
  for (const CommandLine& line : commands->Lines()) out += diag::FormatPrintf("||  %s\n", line.text.c_str());
}

void AppendRules(std::string& out, const RuleTable& rules) {
  out += "+---------View Suffix Rule--------------\n";
  for (const auto& [key, list] : rules.Rules()) {
    for (const auto& rule : list) {
      out += kInnerRuleLine;
      out += diag::FormatPrintf("|| Source: {%s}%s\n", rule->fromDirectory.c_str(), rule->from->text.c_str());
      out += diag::FormatPrintf("|| Dest: {%s}%s\n", rule->toDirectory.c_str(), rule->toSuffix.c_str());
      out += "|| Command:\n";
      AppendCommands(out, rule->commands.get());
      out += kInnerRuleLine;
    }
  }
  out.append(kRuleLine).append("\n");
}

void AppendTargets(std::string& out, const TargetModel& model) {
  out += "+---------View Depend-------------------\n";
  for (const TargetNode* node : model.NodesInPreOrder()) {
    out += kInnerRuleLine;
    out += diag::FormatPrintf("|| Target file: %s\n", node->name.c_str());
    out += "|| Depend file:\n";
    for (const TargetNode* dependent : node->dependents) {
      out += diag::FormatPrintf("||  %s\n", dependent->name.c_str());
    }
    out += "|| Commadns:\n";
    AppendCommands(out, node->commands.get());
    out += kInnerRuleLine;
  }
  out.append(kRuleLine).append("\n");
}

void AppendFileTime(std::string& out, const std::string& name) {
  const platform::FileStatus status = platform::PathStatus(name);
  if (status.exists) {
    out += diag::FormatPrintf("|   Timestamp is %s \n", FormatFileTime(status.modified).c_str());
  } else {
    out += "|   File is not exist.\n";
  }
}

}  // namespace

std::string FormatFileTime(std::int64_t seconds) {
  std::tm local{};
  if (!platform::ToLocalTime(seconds, local)) return std::string();
  char text[64];
  const size_t length = std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
  return std::string(text, length);
}

std::string ModelReport(const MacroEntries& macros, const RuleTable& rules, const TargetModel& model) {
  std::string out;
  AppendMacros(out, macros);
  AppendRules(out, rules);
  AppendTargets(out, model);
  return out;
}

void PrintModel(const MacroEntries& macros, const RuleTable& rules, const TargetModel& model) {
  diag::WriteNotice(ModelReport(macros, rules, model));
}

std::string TimestampReport(const TargetNode& node) {
  std::string out = "+-------------View TimeStamp----------------\n";
  out += diag::FormatPrintf("| [Target] %s :\n", node.name.c_str());
  AppendFileTime(out, node.name);
  int number = 0;
  for (const TargetNode* dependent : node.dependents) {
    out += diag::FormatPrintf("| [Depend:%d] %s :\n", ++number, dependent->name.c_str());
    AppendFileTime(out, dependent->name);
  }
  out += "+-------------------------------------------\n";
  return out;
}

}  // namespace engine
