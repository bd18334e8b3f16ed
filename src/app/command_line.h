// Reads the arguments into the BuildOptions and the MacroTable.
#pragma once

#include <string>
#include <vector>

#include "app/build_options.h"
#include "makefile/macro_table.h"

namespace app {

// `arguments` excludes the program name. Gives 0 to go on and 1 to stop; on
// 1 the usage text or a fatal message has been printed already.
int ParseCommandLine(const std::vector<std::string>& arguments, BuildOptions& options, makefile::MacroTable& macros);

void PrintUsage();

}  // namespace app
