// Times the target model and the walk on large generated graphs: a makefile
// written bottom-up (every line adopts the root before it), one written
// top-down, a wide grouping target, and a deep chain walked to the end.
//
//   bench_target_model [targets]     (default 50000)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "engine/target_walker.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Name(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

std::unique_ptr<engine::CommandList> OneCommand() {
  auto list = std::make_unique<engine::CommandList>();
  engine::CommandLine line;
  line.SetCommandLine("cc $@ $**", "", "", engine::InlineKind::None);
  list->Append(line);
  return list;
}

void Report(const char* what, int count, double seconds) {
  std::printf("%-44s %7d targets %9.3f s\n", what, count, seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 50000;

  {
    engine::TargetModel model;
    Report("load, bottom-up chain (adoption)", count, Seconds([&] {
             for (int i = count; i > 0; --i) {
               model.AddDependencyBlock({Name("t", i - 1), Name("t", i), OneCommand()});
             }
           }));
    Report("cycle checks", count, Seconds([&] {
             model.HasRootCycle();
             model.FindDependencyCycle();
           }));
    engine::RuleTable rules;
    rules.AddSuffix(".c");
    Report("inference rules", count, Seconds([&] { model.ApplyInferenceRules(rules); }));
  }

  {
    // A chain whose every target is missing: the walk gives back all of
    // them, deepest first, and "building" one writes its file.
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "bramle-bench-walk";
    std::filesystem::remove_all(scratch);
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    std::ofstream("source") << "x";

    engine::TargetModel model;
    for (int i = 0; i < count; ++i) {
      model.AddDependencyBlock({Name("t", i), i + 1 < count ? Name("t", i + 1) : "source", OneCommand()});
    }
    engine::TargetWalker walker(model);
    int counted = 0;
    Report("count out of date (deep chain, missing files)", count, Seconds([&] { counted = walker.CountOutOfDate(); }));
    int selected = 0;
    double writing = 0;
    const double walking = Seconds([&] {
      for (;;) {
        const engine::WalkResult next = walker.Next();
        if (next.status != engine::WalkStatus::Selected) break;
        writing += Seconds([&] { std::ofstream(next.target->name) << "x"; });
        walker.Finish(*next.target, engine::TargetOutcome::Done);
        ++selected;
      }
    });
    Report("walk the deep chain to the end", count, walking - writing);
    Report("  of which writing the target files", count, writing);
    std::printf("  (%d counted, %d selected)\n", counted, selected);
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(scratch);
  }

  {
    engine::TargetModel model;
    Report("load, top-down chain (merges)", count, Seconds([&] {
             for (int i = 0; i < count; ++i) {
               model.AddDependencyBlock({Name("t", i), Name("t", i + 1), OneCommand()});
             }
           }));
  }

  {
    engine::TargetModel model;
    std::string all;
    Report("load, separate roots then one adopting all", count, Seconds([&] {
             for (int i = 0; i < count; ++i) {
               model.AddDependencyBlock({Name("o", i), Name("s", i), OneCommand()});
               all.append(" ").append(Name("O", i));
             }
             model.AddDependencyBlock({"all", all, std::make_unique<engine::CommandList>()});
           }));
    Report("pre-order listing (the -P order)", count, Seconds([&] { model.NodesInPreOrder(); }));
  }
  return 0;
}
