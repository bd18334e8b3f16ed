// The -P dump of macros, inference rules and targets, and the -D view of a
// target's file times.
#pragma once

#include <cstdint>
#include <string>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/macro_table.h"

namespace engine {

// Everything the makefile defined, each reachable target once.
std::string ModelReport(const makefile::MacroTable& macros, const RuleTable& rules, const TargetModel& model);
// The same as a notice.
void PrintModel(const makefile::MacroTable& macros, const RuleTable& rules, const TargetModel& model);

// The times of `node` and of its dependents.
std::string TimestampReport(const TargetNode& node);

// "%Y/%m/%d %H:%M:%S" in local time.
std::string FormatFileTime(std::int64_t seconds);

}  // namespace engine
