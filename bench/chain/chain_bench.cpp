// The scheduler's own cost on a chain of targets (t0 needs t1, ... ), with
// workers whose build is instant: what -J adds per target, without the
// start of a command. No file exists, so all are built.
//   bench_chain [COUNT...]   (default 10000 100000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"

namespace {

class InstantWorker : public engine::TargetWorker {
 public:
  // As -N does: the target counts as made now.
  engine::TargetOutcome Build(engine::TargetNode&) override { return engine::TargetOutcome::WouldBeMade; }
  void Cancel() override {}
};

std::unique_ptr<engine::CommandList> OneCommand() {
  auto list = std::make_unique<engine::CommandList>();
  engine::CommandLine line;
  line.SetCommandLine("touch", "", "", engine::InlineKind::None);
  list->Append(line);
  return list;
}

// Seconds to build a chain of `count` targets with `jobs` workers.
double BuildChain(int count, int jobs) {
  engine::TargetModel model;
  for (int i = 0; i < count; ++i) {
    model.AddDependencyBlock({"t" + std::to_string(i), i + 1 < count ? "t" + std::to_string(i + 1) : "", OneCommand()});
  }
  engine::TargetWalker walker(model, [](const std::string&) { return platform::FileStatus{}; });
  engine::TargetScheduler scheduler(walker, {}, {});
  std::vector<InstantWorker> workers(static_cast<size_t>(jobs));
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (size_t i = 1; i < workers.size(); ++i) {
    threads.emplace_back([&scheduler, &workers, i] { engine::BuildTargets(scheduler, workers[i]); });
  }
  engine::BuildTargets(scheduler, workers[0]);
  for (std::thread& thread : threads) thread.join();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (scheduler.HandedOutCount() != count) {
    std::fprintf(stderr, "built %d of %d\n", scheduler.HandedOutCount(), count);
    std::exit(1);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {10000, 100000};
  std::printf("| targets | -J | seconds | us/target |\n|---|---|---|---|\n");
  for (int count : counts) {
    for (int jobs : {1, 8}) {
      double best = 1e9;
      for (int round = 0; round < 3; ++round) best = std::min(best, BuildChain(count, jobs));
      std::printf("| %d | %d | %.3f | %.2f |\n", count, jobs, best, best * 1e6 / count);
    }
  }
  return 0;
}
