#include "engine/build_engine.h"


#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "engine/model_report.h"
#include "engine/path_parts.h"
#include "exec/worker_thread.h"
#include "platform/console.h"

namespace engine {

bool CheckModelBuildable(const TargetModel& model) {
  if (!model.HasRoots() || model.HasRootCycle()) {
    diag::FatalError(diag::LoadMessage(diag::msg::kNoDependencyLine));
    return false;
  }
  const std::vector<const TargetNode*> cycle = model.FindDependencyCycle();
  if (cycle.empty()) return true;
  diag::FatalError(diag::FormatCatalogMessage(diag::msg::kDependencyCycle, DescribeCycle(cycle)));
  return false;
}

BuildEngine::BuildEngine(const app::BuildOptions& options, TargetModel& model)
    : options_(options),
      model_(model),
      walker_(model),
      scheduler_(walker_, options.targetName, options.buildAll != 0) {}

BuildEngine::~BuildEngine() = default;

int BuildEngine::Run() {
  if (!StartWorkers()) return 1;
  if (options_.showTimestamps) model_.KeepLoadedDependents();
  if (options_.progressOutput) {
    platform::WriteStdout(diag::FormatPrintf("MaxCount: %d\n", scheduler_.CountOutOfDate()));
  }
  const int result = BuildLoop();
  CloseWorkers();
  return result;
}

void BuildEngine::Cancel() {
  build_.Cancel();
  scheduler_.Stop();
  std::lock_guard<std::mutex> hold(workersMutex_);
  for (const auto& worker : workers_) worker->Cancel();
}

bool BuildEngine::StartWorkers() {
  const int count = options_.jobs > 1 ? options_.jobs : 1;
  std::vector<std::unique_ptr<LocalWorker>> workers;
  for (int i = 0; i < count; ++i) {
    auto worker = std::make_unique<LocalWorker>(options_, build_, console_, count > 1);
    const int started = worker->Start();
    if (started != 0) {
      for (const auto& made : workers) made->Close();
      diag::FatalError(
          diag::LoadMessage(started == 1 ? diag::msg::kPipeOpenFailed : diag::msg::kCommandProcessorMissing));
      return false;
    }
    workers.push_back(std::move(worker));
  }
  std::lock_guard<std::mutex> hold(workersMutex_);
  workers_ = std::move(workers);
  return true;
}

void BuildEngine::CloseWorkers() {
  for (const auto& worker : workers_) worker->Close();
  std::lock_guard<std::mutex> hold(workersMutex_);
  workers_.clear();
}

void BuildEngine::RunWorkers() {
  // A worker whose thread cannot be made stays idle; the others, and the
  // first on this thread, take its share.
  std::vector<exec::WorkerThread> threads(workers_.size() - 1);
  for (size_t i = 0; i < threads.size(); ++i) {
    LocalWorker& worker = *workers_[i + 1];
    threads[i].Begin([this, &worker] { BuildTargets(scheduler_, worker); });
  }
  BuildTargets(scheduler_, *workers_[0]);
  for (exec::WorkerThread& thread : threads) thread.Join();
}

int BuildEngine::BuildLoop() {
  for (;;) {
    if (build_.Cancelled()) return build_.FailureResult();
    RunWorkers();
    if (build_.EndedByFailure()) return 1;
    if (build_.Cancelled()) return build_.FailureResult();
    if (scheduler_.LastWalkStatus() != WalkStatus::MissingFile) return build_.FirstFailure();
    const std::string missing(LastPathComponent(walker_.LastMissingFile()));
    if (options_.keepGoing && build_.FirstFailure() == 0) {
      platform::WriteStderr(diag::FormatCatalogMessage(diag::msg::kNeededFileMissingWarning, missing) + "\n");
      build_.NoteFailure(1);
      continue;
    }
    diag::FatalError(diag::FormatCatalogMessage(diag::msg::kNeededFileMissing, missing));
    return build_.FailureResult();
  }
}

}  // namespace engine
