#include "app/local_build_mode.h"

#include "app/console_control.h"
#include "engine/build_engine.h"
#include "engine/model_report.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/load_makefile.h"

namespace app {

int RunLocalBuildMode(Application& application) {
  InstallCancelHandler();
  const BuildOptions& options = application.options;
  application.macros.ImportEnvironment();
  engine::TargetModel targets;
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(targets, rules, application.macros, options.makefileName)) return 1;
  if (!engine::CheckModelBuildable(targets)) return 1;
  if (options.printModel) engine::PrintModel(application.macros, rules, targets);

  engine::BuildEngine build(options, targets);
  SetCancelAction([&build] { build.Cancel(); });
  const int result = build.Run();
  SetCancelAction(nullptr);
  return result;
}

}  // namespace app
