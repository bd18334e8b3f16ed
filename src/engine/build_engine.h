// The local build: hands the targets the walk gives back to one or more
// workers, each with a runner of its own, and decides the exit code.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/build_options.h"
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
  BuildEngine(const app::BuildOptions& options, TargetModel& model);
  ~BuildEngine();
  BuildEngine(const BuildEngine&) = delete;
  BuildEngine& operator=(const BuildEngine&) = delete;

  // Starts the runners the options choose (one per worker), builds, and
  // closes them. Gives the exit code: 0, 1, or under -K the first failing
  // command's.
  int Run();

  // Stops the build: the running commands are broken off and no other one
  // starts. Safe from any thread, at any time.
  void Cancel();

 private:
  // Makes and starts the workers; false (reported) when a runner fails.
  bool StartWorkers();
  void CloseWorkers();
  int BuildLoop();
  // Every worker takes targets until none is left; the first on this
  // thread.
  void RunWorkers();

  const app::BuildOptions& options_;
  TargetModel& model_;
  TargetWalker walker_;
  TargetScheduler scheduler_;
  LocalBuildState build_;
  SharedConsole console_;
  std::mutex workersMutex_;  // the list, against Cancel
  std::vector<std::unique_ptr<LocalWorker>> workers_;
};

}  // namespace engine
