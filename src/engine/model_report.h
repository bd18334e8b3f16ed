// The -P dump of macros, inference rules and targets, and the -D view of a
// target's file times.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "engine/rule_table.h"
#include "engine/target_model.h"

namespace engine {

// The macros by name, as the makefile layer keeps them.
using MacroEntries = std::map<std::string, std::string>;

// Everything the makefile defined, each reachable target once.
std::string ModelReport(const MacroEntries& macros, const RuleTable& rules, const TargetModel& model);
// The same as a notice.
void PrintModel(const MacroEntries& macros, const RuleTable& rules, const TargetModel& model);

// The times of `node` and of its dependents.
std::string TimestampReport(const TargetNode& node);

// "%Y/%m/%d %H:%M:%S" in local time.
std::string FormatFileTime(std::int64_t seconds);

}  // namespace engine
