#include "app/local_build_mode.h"

#include <memory>

#include "app/console_control.h"
#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "engine/build_engine.h"
#include "engine/build_trace.h"
#include "engine/compilation_database.h"
#include "engine/goals.h"
#include "engine/model_report.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "makefile/load_makefile.h"

namespace app {
namespace {

engine::BuildSettings EngineSettings(const BuildOptions& options) {
  engine::BuildSettings settings;
  settings.buildAll = options.buildAll != 0;
  settings.showTimestamps = options.showTimestamps != 0;
  settings.ignoreErrors = options.ignoreErrors != 0;
  settings.keepGoing = options.keepGoing != 0;
  settings.queryOnly = options.queryOnly != 0;
  settings.silent = options.silent != 0;
  settings.touchOnly = options.touchOnly != 0;
  settings.executeCommands = options.executeCommands != 0;
  settings.progressOutput = options.progressOutput != 0;
  settings.echoInlineFiles = options.echoInlineFiles != 0;
  settings.useDirectRunner = options.useDirectRunner != 0;
  settings.jobs = options.jobs;
  return settings;
}

// The file -G asks for, in the build's working directory (the makefile's
// folder).
int WriteCompilationDatabase(const engine::CompilationDatabase& database) {
  if (database.Write(engine::kCompilationDatabaseName)) return 0;
  diag::FatalError(diag::FormatCatalogMessage(diag::msg::kCompilationDatabaseNotWritten,
                                              std::string(engine::kCompilationDatabaseName)));
  return 1;
}

int LoadAndBuild(Application& application, engine::TargetModel& targets, engine::BuildEngine& build) {
  const BuildOptions& options = application.options;
  application.macros.ImportEnvironment();
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(targets, rules, application.macros, options.makefileName, options.nmakeReading != 0)) return 1;
  if (!engine::CheckModelBuildable(targets)) return 1;
  if (options.printModel) engine::PrintModel(application.macros.Entries(), rules, targets);
  std::vector<engine::TargetNode*> goals;
  if (!engine::ResolveGoals(targets, rules, options.targetNames, goals)) return 1;
  // Every target named is up to date as a file that nothing builds.
  if (goals.empty() && !options.targetNames.empty()) return 0;
  return build.Run(std::move(goals));
}

}  // namespace

int RunLocalBuildMode(Application& application) {
  InstallCancelHandler();
  auto targets = std::make_unique<engine::TargetModel>();
  engine::BuildSettings settings = EngineSettings(application.options);
  engine::CompilationDatabase database;
  const auto trace = engine::BuildTrace::ForFile(application.options.traceFile);
  settings.trace = trace.get();
  if (application.options.compileCommands) {
    // The commands in the walk's order, from one worker that starts no
    // processor.
    settings.compilationDatabase = &database;
    settings.jobs = 1;
    settings.useDirectRunner = true;
  }
  engine::BuildEngine build(settings, *targets);
  // A Ctrl+C from here on stops the build, even one pressed while loading.
  SetCancelAction([&build] { build.Cancel(); });
  int result = LoadAndBuild(application, *targets, build);
  SetCancelAction(nullptr);
  if (result == 0 && settings.compilationDatabase) result = WriteCompilationDatabase(database);
  if (trace) result = trace->Finish(result, build.Cancelled());
  // The process ends after this mode. Freeing a large graph node by node
  // takes longer than checking it for an up-to-date build, and the system
  // takes the memory back at exit anyway, so the model is left to it.
  static_cast<void>(targets.release());
  return result;
}

}  // namespace app
