// Loading the makefile of a run into the model.
#pragma once

#include <string>

#include "makefile/macro_table.h"

namespace engine {
class TargetModel;
class RuleTable;
}  // namespace engine

namespace makefile {

// Enters the default suffixes, reads `makefileName` (changing the working
// directory to its directory) and gives command-less targets the commands
// of their inference rules. On a makefile error the error is printed and
// the result is false; what was entered before it stays. `nmakeReading`
// reads the lines that NMAKE reads otherwise as NMAKE does.
bool LoadMakefile(engine::TargetModel& targets, engine::RuleTable& rules, MacroTable& macros,
                  const std::string& makefileName, bool nmakeReading);

}  // namespace makefile
