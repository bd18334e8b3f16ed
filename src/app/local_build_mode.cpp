#include "app/local_build_mode.h"

#include <memory>

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
  auto targets = std::make_unique<engine::TargetModel>();
  engine::BuildEngine build(application.options, *targets);
  // A Ctrl+C from here on stops the build, even one pressed while loading.
  SetCancelAction([&build] { build.Cancel(); });
  const int result = LoadAndBuild(application, *targets, build);
  SetCancelAction(nullptr);
  // The process ends after this mode. Freeing a large graph node by node
  // takes longer than checking it for an up-to-date build, and the system
  // takes the memory back at exit anyway, so the model is left to it.
  static_cast<void>(targets.release());
  return result;
}

}  // namespace app
