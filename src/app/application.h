// The process: start-up, the choice of run mode, and what each mode gives
// back as the exit code.
#pragma once

#include <string>
#include <vector>

#include "app/build_options.h"
#include "makefile/macro_table.h"

namespace app {

struct Application {
  BuildOptions options;
  makefile::MacroTable macros;
};

// `arguments` excludes the program name. Returns the process exit code.
int RunApplication(const std::vector<std::string>& arguments);

}  // namespace app
