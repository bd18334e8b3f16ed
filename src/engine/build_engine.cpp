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

BuildEngine::BuildEngine(const BuildSettings& settings, TargetModel& model)
    : settings_(settings), model_(model), walker_(model), console_([this] { Cancel(); }) {}

BuildEngine::~BuildEngine() = default;

bool BuildEngine::Cancelled() const { return build_.Cancelled(); }

int BuildEngine::Run(std::vector<TargetNode*> goals) {
  if (!StartWorkers()) return 1;
  {
    std::lock_guard<std::mutex> hold(workersMutex_);
    scheduler_ = std::make_unique<TargetScheduler>(
        walker_, std::move(goals), WalkOptions{settings_.buildAll, settings_.keepGoing}, settings_.trace);
    for (size_t i = 0; i < workers_.size(); ++i) {
      scheduler_->TraceWorker(*workers_[i], "worker " + std::to_string(i + 1));
    }
  }
  if (settings_.progressOutput) {
    platform::WriteStdout(diag::FormatPrintf("MaxCount: %d\n", scheduler_->CountOutOfDate()));
  }
  const int result = Build();
  CloseWorkers();
  return result;
}

void BuildEngine::Cancel() {
  build_.Cancel();
  std::lock_guard<std::mutex> hold(workersMutex_);
  if (scheduler_) scheduler_->Stop();
  for (const auto& worker : workers_) worker->Cancel();
}

bool BuildEngine::StartWorkers() {
  const int count = settings_.jobs > 1 ? settings_.jobs : 1;
  std::vector<std::unique_ptr<LocalWorker>> workers;
  for (int i = 0; i < count; ++i) {
    auto worker = std::make_unique<LocalWorker>(settings_, build_, console_, count > 1);
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
    threads[i].Begin([this, &worker] { BuildTargets(*scheduler_, worker); });
  }
  BuildTargets(*scheduler_, *workers_[0]);
  for (exec::WorkerThread& thread : threads) thread.Join();
}

void BuildEngine::ReportWalkWarnings() {
  for (const std::string& missing : walker_.SkippedMissingFiles()) {
    platform::WriteStderr(
        diag::FormatCatalogMessage(diag::msg::kNeededFileMissingWarning, std::string(LastPathComponent(missing))) +
        "\n");
  }
  if (!walker_.FutureFile().empty()) {
    diag::Warning(diag::FormatCatalogMessage(diag::msg::kFileTimeInFuture, walker_.FutureFile()) + "\n");
  }
}

int BuildEngine::Build() {
  if (!build_.Cancelled()) RunWorkers();
  ReportWalkWarnings();
  if (build_.Cancelled()) return build_.FailureResult();
  if (build_.FirstFailure() != 0) return settings_.keepGoing ? build_.FirstFailure() : 1;
  if (!walker_.SkippedMissingFiles().empty()) return 1;
  if (scheduler_->LastWalkStatus() == WalkStatus::MissingFile) {
    diag::FatalError(diag::FormatCatalogMessage(diag::msg::kNeededFileMissing,
                                                std::string(LastPathComponent(walker_.LastMissingFile()))));
    return 1;
  }
  return settings_.queryOnly && scheduler_->HandedOutCount() > 0 ? 1 : 0;
}

}  // namespace engine
