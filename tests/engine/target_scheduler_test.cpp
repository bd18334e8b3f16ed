#include "engine/target_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "model_test_support.h"
#include "random_graph.h"
#include "support/memory_files.h"

namespace engine {
namespace {

using testing_support::MemoryFiles;

class Scheduling {
 public:
  // `lines` "target: dependents = command", separated by "; "; `sources`
  // files nothing builds, each newer than those before it.
  Scheduling(const std::string& lines, const std::string& sources, bool keepGoing = true)
      : scheduler_(walker_, {}, {false, keepGoing}) {
    test::Lines(model_, testing_support::Split(lines, "; "));
    std::int64_t time = 0;
    for (const std::string& name : testing_support::Words(sources)) files_.Set(name, ++time);
  }

  TargetModel model_;
  MemoryFiles files_;
  TargetWalker walker_{model_, [this](const std::string& name) { return files_.Status(name); }};
  TargetScheduler scheduler_;
};

// Steps separated by blanks: "+NAME" NextTarget hands out NAME; "wait" it
// answers Wait; "none" NothingLeft; "done:NAME", "fail:NAME", "lost:NAME",
// "stop:NAME" a worker reports NAME ("kept:NAME": done, its file unchanged;
// "listed:NAME": its commands only listed, as -N does).
struct ScriptCase {
  const char* name;
  const char* lines;
  const char* sources;
  const char* steps;
  WalkStatus last;  // LastWalkStatus at the end
  bool keepGoing = true;
};

const ScriptCase kScripts[] = {
    {"independent targets go out together, their parent waits for both", "app: a b = link; a: = cc a; b: = cc b", "",
     "+a +b wait done:a wait done:b +app wait done:app none", WalkStatus::Finished},
    {"a target ended out of turn does not leave its sibling unseen", "all: a b c; a: = x; b: = x; c: = x", "",
     "+a +b done:a +c done:c done:b none", WalkStatus::Finished},
    {"the walk does not resume beside a failed target after another ended", "all: a b; a: = x; b: = x", "",
     "+a +b done:a fail:b none", WalkStatus::Blocked},
    {"a newer dependent still counts once a sibling in progress has ended", "app: new.src a = link; a: = x",
     "a app new.src", "+a wait kept:a +app done:app none", WalkStatus::Finished},
    {"a lost target is handed out again", "all: a b; a: = x; b: = x", "", "+a lost:a +a +b done:b done:a none",
     WalkStatus::Finished},
    {"a stopped build hands out nothing more", "all: a b; a: = x; b: = x", "", "+a stop:a none", WalkStatus::Settled},
    {"a failed target blocks its parent, not its sibling", "app: lib other = link; lib: = x; other: = x", "",
     "+lib +other fail:lib wait done:other none", WalkStatus::Blocked},
    {"a failure blocks every target above it, and only those",
     "all: top side; top: mid = x; mid: bad = x; bad: = x; side: = x", "", "+bad fail:bad +side done:side none",
     WalkStatus::Blocked},
    {"without keep-going a failure hands out nothing new, the targets out finish", "all: a b c; a: = x; b: = x; c: = x",
     "", "+a +b fail:a wait done:b none", WalkStatus::Settled, false},
    {"a missing file waits for the targets in progress", "all: a gone.c; a: = x", "", "+a wait done:a none",
     WalkStatus::MissingFile, false},
    {"with keep-going a missing file blocks only what needs it", "all: use other; use: gone.c = x; other: = x", "",
     "+other done:other none", WalkStatus::Blocked},
    {"a target only listed counts as made for its parent; one left unchanged does not",
     "app: obj = link; obj: src = cc", "obj src app", "+obj listed:obj +app done:app none", WalkStatus::Finished},
    {"a target built that leaves its file unchanged does not make its parent out of date",
     "app: obj = link; obj: src = cc", "obj src app", "+obj kept:obj none", WalkStatus::Settled},
    {"an up-to-date target with commands pending below waits, then builds", "app: obj = link; obj: src = cc", "src app",
     "+obj wait done:obj +app done:app none", WalkStatus::Finished},
};

TEST(TargetScheduler, Scripts) {
  for (const ScriptCase& script : kScripts) {
    SCOPED_TRACE(script.name);
    Scheduling run(script.lines, script.sources, script.keepGoing);
    for (const std::string& step : testing_support::Words(script.steps)) {
      SCOPED_TRACE(step);
      const size_t colon = step.find(':');
      if (colon != std::string::npos) {
        const std::string verb = step.substr(0, colon);
        TargetNode* target = run.model_.FindTarget(step.substr(colon + 1));
        ASSERT_NE(target, nullptr);
        const TargetOutcome outcome = verb == "done" || verb == "kept" ? TargetOutcome::Done
                                      : verb == "listed"               ? TargetOutcome::WouldBeMade
                                      : verb == "fail"                 ? TargetOutcome::Failed
                                      : verb == "lost"                 ? TargetOutcome::Lost
                                                                       : TargetOutcome::Stopped;
        if (verb == "done") run.files_.Make(target->name);
        run.scheduler_.Finish(*target, outcome);
        continue;
      }
      const HandOutResult next = run.scheduler_.NextTarget();
      if (step == "wait") {
        EXPECT_EQ(next.kind, HandOut::Wait);
      } else if (step == "none") {
        EXPECT_EQ(next.kind, HandOut::NothingLeft);
      } else {
        ASSERT_EQ(next.kind, HandOut::Target);
        EXPECT_EQ(next.target->name, step.substr(1));
      }
    }
    EXPECT_EQ(run.scheduler_.LastWalkStatus(), script.last);
    EXPECT_EQ(run.scheduler_.InProgressCount(), 0);
  }
}

// A caller waiting for work gets the target that a finished dependent
// freed, or nothing once the build stops.
TEST(TargetScheduler, WaitingCallerGetsTheFreedTargetOrNothingWhenStopped) {
  for (const bool stop : {false, true}) {
    Scheduling run("app: a = link; a: = cc", "");
    const HandOutResult first = run.scheduler_.NextTarget();
    ASSERT_EQ(first.kind, HandOut::Target);
    HandOutResult waited{HandOut::Wait, nullptr};
    std::thread waiter([&] { waited = run.scheduler_.WaitForTarget(); });
    if (stop) {
      run.scheduler_.Stop();
    } else {
      run.files_.Make("a");
      run.scheduler_.Finish(*first.target, TargetOutcome::Done);
    }
    waiter.join();
    ASSERT_EQ(waited.kind, stop ? HandOut::NothingLeft : HandOut::Target);
    if (!stop) {
      EXPECT_EQ(waited.target->name, "app");
    }
  }
}

// Start and end marks of every build, in the order they happened.
struct BuildLog {
  std::mutex mutex;
  std::vector<std::pair<char, std::string>> marks;
};

class RecordingWorker : public TargetWorker {
 public:
  RecordingWorker(BuildLog& log, MemoryFiles& files, const std::set<std::string>& failing)
      : log_(log), files_(files), failing_(failing) {}
  TargetOutcome Build(TargetNode& target) override {
    Mark('S', target.name);
    const bool fails = failing_.count(target.name) > 0;
    if (!fails) files_.Make(target.name);
    Mark('E', target.name);
    return fails ? TargetOutcome::Failed : TargetOutcome::Done;
  }
  void Cancel() override {}

 private:
  void Mark(char kind, const std::string& name) {
    std::lock_guard<std::mutex> lock(log_.mutex);
    log_.marks.push_back({kind, name});
  }
  BuildLog& log_;
  MemoryFiles& files_;
  const std::set<std::string>& failing_;
};

struct RandomProject {
  test::RandomGraph graph;
  std::map<std::string, std::int64_t> existing;  // targets there already, older than every source
  std::set<std::string> failing;
};

RandomProject MakeProject(std::mt19937& random) {
  RandomProject project;
  test::AddRandomGraph(random, 2 + random() % 30, "n", project.graph);
  for (const test::RandomNode& node : project.graph.nodes) {
    if (!node.hasCommands) continue;
    if (random() % 3 == 0) project.existing[node.name] = static_cast<std::int64_t>(random() % 3);
    if (random() % 20 == 0) project.failing.insert(node.name);
  }
  return project;
}

// Builds `project` with `workers` threads; gives the log.
std::vector<std::pair<char, std::string>> BuildProject(const RandomProject& project, int workers) {
  std::string lines = "all:";
  std::string sources;
  for (size_t top : project.graph.tops) lines += " " + project.graph.nodes[top].name;
  for (const test::RandomNode& node : project.graph.nodes) {
    if (!node.hasCommands) {
      sources += " " + node.name;
      continue;
    }
    lines += "; " + node.name + ":";
    for (size_t d : node.dependents) lines += " " + project.graph.nodes[d].name;
    lines += " = build " + node.name;
  }
  Scheduling run(lines, sources);
  for (const auto& [name, time] : project.existing) run.files_.Set(name, time);
  BuildLog log;
  std::vector<std::unique_ptr<RecordingWorker>> pool;
  for (int i = 0; i < workers; ++i) pool.push_back(std::make_unique<RecordingWorker>(log, run.files_, project.failing));
  std::vector<std::thread> threads;
  for (auto& worker : pool) threads.emplace_back([&run, &worker] { BuildTargets(run.scheduler_, *worker); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(run.scheduler_.InProgressCount(), 0);
  return log.marks;
}

std::set<std::string> Built(const std::vector<std::pair<char, std::string>>& marks) {
  std::set<std::string> built;
  for (const auto& [kind, name] : marks) {
    if (kind == 'S') built.insert(name);
  }
  return built;
}

TEST(TargetScheduler, ManyRandomGraphsBuildInDependencyOrderOnceEach) {
  std::mt19937 random(20261207u);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const RandomProject project = MakeProject(random);
    const auto marks = BuildProject(project, 4);
    std::map<std::string, size_t> started, ended;
    for (size_t i = 0; i < marks.size(); ++i) {
      auto& seen = marks[i].first == 'S' ? started : ended;
      EXPECT_TRUE(seen.emplace(marks[i].second, i).second) << marks[i].second << " twice";
    }
    // What needs a failed target is never built.
    for (const test::RandomNode& node : project.graph.nodes) {
      if (!started.count(node.name)) continue;
      for (size_t d : node.dependents) {
        const std::string& dependent = project.graph.nodes[d].name;
        if (!started.count(dependent)) continue;
        EXPECT_FALSE(project.failing.count(dependent)) << node.name << " after failed " << dependent;
        EXPECT_TRUE(ended.count(dependent) && ended.at(dependent) < started.at(node.name))
            << node.name << " started before " << dependent << " ended";
      }
    }
    // One worker builds the same targets, failures or not.
    EXPECT_EQ(Built(marks), Built(BuildProject(project, 1)));
  }
}

}  // namespace
}  // namespace engine
