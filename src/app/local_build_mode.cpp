#include "app/local_build_mode.h"

#include "app/console_control.h"
#include "engine/build_engine.h"
#include "engine/model_report.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/load_makefile.h"

namespace app {
namespace {

int LoadAndBuild(Application& application, engine::TargetModel& targets, engine::BuildEngine& build) {
  const BuildOptions& options = application.options;
  application.macros.ImportEnvironment();
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(targets, rules, application.macros, options.makefileName)) return 1;
  if (!engine::CheckModelBuildable(targets)) return 1;
  if (options.printModel) engine::PrintModel(application.macros, rules, targets);
  return build.Run();
}

}  // namespace

int RunLocalBuildMode(Application& application) {
  InstallCancelHandler();
  engine::TargetModel targets;
  engine::BuildEngine build(application.options, targets);
  // A Ctrl+C from here on stops the build, even one pressed while loading.
  SetCancelAction([&build] { build.Cancel(); });
  const int result = LoadAndBuild(application, targets, build);
  SetCancelAction(nullptr);
  return result;
}

}  // namespace app
