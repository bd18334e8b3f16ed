// The targets a command line names, as nodes of the model.
#pragma once

#include <string>
#include <vector>

#include "engine/rule_table.h"
#include "engine/target_model.h"

namespace engine {

// The nodes for `names`, in order; none for no names (the default target).
// A name that no dependency line has becomes a target of its inference rule
// when the rule's source file exists or is a target; else, when its file
// exists, it is reported up to date and left out; else a fatal error names
// it and the result is false.
bool ResolveGoals(TargetModel& model, const RuleTable& rules, const std::vector<std::string>& names,
                  std::vector<TargetNode*>& goals);

}  // namespace engine
