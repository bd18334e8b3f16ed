// The local build: hands the targets the walk gives back to one or more
// workers, each with a runner of its own, and decides the exit code.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "engine/build_settings.h"
#include "engine/local_worker.h"
#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"
#include "engine/worker_output.h"

namespace engine {

// Reports a model that cannot be built: no target at all or a root that
// depends on itself (message 22508), or a dependency cycle anywhere (named
// in the message). True when the model can be built.
bool CheckModelBuildable(const TargetModel& model);

class BuildEngine {
 public:
  BuildEngine(const BuildSettings& settings, TargetModel& model);
  ~BuildEngine();
  BuildEngine(const BuildEngine&) = delete;
  BuildEngine& operator=(const BuildEngine&) = delete;

  // Starts the runners the settings choose (one per worker), builds `goals`
  // in order (none: the default target), and closes them. Gives the exit
  // code: 0; 1; under -K the first failing command's; under -Q 1 when
  // anything is out of date.
  int Run(std::vector<TargetNode*> goals);

  // Stops the build: the running commands are broken off and no other one
  // starts. Safe from any thread, at any time.
  void Cancel();
  // Whether the build was stopped so.
  bool Cancelled() const;

 private:
  // Makes and starts the workers; false (reported) when a runner fails.
  bool StartWorkers();
  void CloseWorkers();
  int Build();
  // Every worker takes targets until none is left; the first on this
  // thread.
  void RunWorkers();
  // The warnings the walk leaves for the end: missing files skipped under
  // -K, a file time in the future.
  void ReportWalkWarnings();

  const BuildSettings& settings_;
  TargetModel& model_;
  TargetWalker walker_;
  LocalBuildState build_;
  SharedConsole console_;
  std::mutex workersMutex_;  // the scheduler and the workers, against Cancel
  std::unique_ptr<TargetScheduler> scheduler_;
  std::vector<std::unique_ptr<LocalWorker>> workers_;
};

}  // namespace engine
