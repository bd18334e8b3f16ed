#include "app/local_build_mode.h"

#include "app/console_control.h"
#include "engine/model_report.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/load_makefile.h"
#include "platform/console.h"

namespace app {

int RunLocalBuildMode(Application& application) {
  InstallCancelHandler();
  application.macros.ImportEnvironment();
  engine::TargetModel targets;
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(targets, rules, application.macros, application.options.makefileName)) return 1;
  // The build itself is not part of this build yet; -P runs stop after the dump.
  if (application.options.printModel) {
    engine::PrintModel(application.macros, rules, targets);
    return 0;
  }
  platform::WriteStderr("bramle: the local build is not available in this build\n");
  return 1;
}

}  // namespace app
