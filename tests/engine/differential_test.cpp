// Differential test of the rebuild decision: random acyclic graphs, files
// with chosen times (some deleted), and what bramle rebuilds compared with
// an oracle of make's out-of-date rule. On Linux GNU make, when installed,
// must match the same oracle, which keeps the oracle honest.
//
// The makefiles stay in the subset both tools read alike: explicit
// dependency lines (some targets on two lines), one command per target that
// appends its name to its own file ("echo N >> N" means the same to /bin/sh
// and cmd.exe; the line count tells how often it was built), sources
// without rules. Both treat equal times as up to date and build a missing
// target or one whose dependent is newer or was rebuilt in the run; neither
// builds a shared up-to-date target. The one difference, in ExpectedBuilds:
// bramle builds a target with commands and no dependents on every run.
// Times are a quarter second apart, so that many differ within one second.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "platform/file_status.h"
#include "platform/path.h"
#include "random_graph.h"
#include "support/bramle_process.h"

namespace engine {
namespace {

namespace fs = std::filesystem;
using test::RandomGraph;
using testing_support::ProcessResult;
using testing_support::ScratchDirectory;

// 8 batches of 25 graphs, one run per batch and round (a process start is
// costly under Wine); the first 3 batches run again with bramle -J 4
// against make -j4.
constexpr int kBatches = 8;
constexpr int kGraphsPerBatch = 25;
constexpr int kParallelBatches = 3;

bool Chance(std::mt19937& random, unsigned percent) { return random() % 100 < percent; }

std::string DependencyLine(const std::string& target, const RandomGraph& graph, const std::vector<size_t>& dependents) {
  std::string line = target + ":";
  for (size_t d : dependents) line += " " + graph.nodes[d].name;
  return line + "\n";
}

// "all" first, then the targets' blocks in random order, so that targets
// are named both before and after their own lines. The `failing` targets'
// command is "exit 3".
std::string MakefileText(const RandomGraph& graph, std::mt19937& random, const std::set<size_t>& failing = {}) {
  std::vector<std::string> blocks;
  for (size_t i = 0; i < graph.nodes.size(); ++i) {
    const test::RandomNode& node = graph.nodes[i];
    if (!node.hasCommands) continue;
    const std::string command =
        failing.count(i) ? std::string("\texit 3\n") : "\techo " + node.name + " >> " + node.name + "\n";
    const std::vector<size_t>& all = node.dependents;
    if (all.size() < 2 || !Chance(random, 20)) {
      blocks.push_back(DependencyLine(node.name, graph, all) + command);
      continue;
    }
    // Dependents on two lines, the command under one of them.
    const auto split = all.begin() + static_cast<std::ptrdiff_t>(1 + random() % (all.size() - 1));
    const std::string head = DependencyLine(node.name, graph, {all.begin(), split});
    const std::string tail = DependencyLine(node.name, graph, {split, all.end()});
    const bool commandFirst = Chance(random, 50);
    blocks.push_back(commandFirst ? head + command : head);
    blocks.push_back(commandFirst ? tail : tail + command);
  }
  std::shuffle(blocks.begin(), blocks.end(), random);
  std::string text = DependencyLine("all", graph, graph.tops);
  for (const std::string& block : blocks) text += block;
  return text;
}

// Each node's file before a run: whether it exists, its time in ticks.
constexpr std::chrono::milliseconds kTick{250};
struct FileState {
  bool exists = false;
  int64_t ticks = 0;
};
using Snapshot = std::vector<FileState>;

const char* const kRounds[] = {"fresh build", "touched files", "scrambled times", "nothing changed"};

// Fresh: no target exists. Touched: up to date along every edge (a target
// as new as its newest dependent or up to two ticks newer, so ties are
// frequent), then some files newer. Scrambled: random times with many ties,
// some targets deleted. Nothing changed: up to date.
Snapshot PlanRound(const RandomGraph& graph, int round, std::mt19937& random) {
  Snapshot state(graph.nodes.size());
  for (size_t i = graph.nodes.size(); i-- > 0;) {
    const test::RandomNode& node = graph.nodes[i];
    if (round == 0 || round == 2) {
      const bool exists = round == 0 ? !node.hasCommands : !(node.hasCommands && Chance(random, 15));
      state[i] = {exists, static_cast<int64_t>(random() % (round == 0 ? 50 : 20))};
      continue;
    }
    state[i].exists = true;
    for (size_t d : node.dependents) state[i].ticks = std::max(state[i].ticks, state[d].ticks);
    state[i].ticks += static_cast<int64_t>(random() % (node.dependents.empty() ? 50 : 3));
  }
  if (round == 1) {
    for (FileState& file : state) {
      if (Chance(random, 15)) file.ticks = 100 + static_cast<int64_t>(random() % 100);
    }
  }
  return state;
}

// What a run may change: the goals (none: "all"), and the targets whose
// command fails (with -k the others go on).
struct Oracle {
  std::vector<size_t> goals;
  std::set<size_t> failing;
};

// How often each node is built: when its file is missing, or a dependent
// was built in this run or is strictly newer; never when a dependent
// failed or was held back by a failure, nor when no goal needs it.
// Dependents have higher indices, so one backward pass settles them first.
std::vector<int> ExpectedBuilds(const RandomGraph& graph, const Snapshot& state, bool bramle,
                                const Oracle& oracle = {}) {
  const size_t count = graph.nodes.size();
  std::vector<bool> needed(count, oracle.goals.empty());
  for (size_t goal : oracle.goals) needed[goal] = true;
  for (size_t i = 0; i < count; ++i) {
    for (size_t d : graph.nodes[i].dependents) needed[d] = needed[d] || needed[i];
  }
  std::vector<int> builds(count, 0);
  std::vector<bool> held(count, false);  // failed, or above a failure
  for (size_t i = count; i-- > 0;) {
    const test::RandomNode& node = graph.nodes[i];
    if (!needed[i]) continue;
    bool stale = node.hasCommands && (!state[i].exists || (bramle && node.dependents.empty()));
    for (size_t d : node.dependents) {
      stale = stale || builds[d] > 0 || state[d].ticks > state[i].ticks;
      held[i] = held[i] || held[d];
    }
    if (held[i] || !stale) continue;
    held[i] = oracle.failing.count(i) > 0;
    builds[i] = held[i] ? 0 : 1;
  }
  return builds;
}

// Lines in each node's file, -1 for a missing file.
std::vector<int> CountBuilds(const RandomGraph& graph, const fs::path& directory) {
  std::vector<int> counts;
  for (const test::RandomNode& node : graph.nodes) {
    std::ifstream in(directory / node.name, std::ios::binary);
    counts.push_back(in ? static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n')) : -1);
  }
  return counts;
}

// Sets the files in `directory` to `state`; existing files keep their lines.
void SetFiles(const RandomGraph& graph, const Snapshot& state, const fs::path& directory) {
  // A whole second, ten days back: every file a run writes is newer.
  static const auto base =
      std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) - std::chrono::hours(240);
  for (size_t i = 0; i < state.size(); ++i) {
    const fs::path file = directory / graph.nodes[i].name;
    if (!state[i].exists) {
      fs::remove(file);
      continue;
    }
    if (!fs::exists(file)) std::ofstream(file, std::ios::binary).flush();
    const auto time = base.time_since_epoch() + kTick * state[i].ticks;
    ASSERT_TRUE(platform::SetModifiedTime(file.string(), std::chrono::nanoseconds(time).count())) << file;
  }
}

// Sets the files in `directory` to `state` (existing files keep their
// lines), runs the tool, and compares what it built with the oracle; a
// target must be written no earlier than the dependents built in the run.
// The run fails exactly when a failing target's command ran.
void ExpectBuilds(const std::string& tool, const RandomGraph& graph, const Snapshot& state, const fs::path& directory,
                  const std::function<ProcessResult()>& run, const Oracle& oracle = {}) {
  SetFiles(graph, state, directory);
  const std::vector<int> before = CountBuilds(graph, directory);
  const ProcessResult result = run();
  const std::vector<int> expected = ExpectedBuilds(graph, state, tool.rfind("GNU make", 0) != 0, oracle);
  bool failureRan = false;
  for (size_t i : oracle.failing) {
    Oracle without = oracle;
    without.failing.erase(i);
    failureRan = failureRan || ExpectedBuilds(graph, state, tool.rfind("GNU make", 0) != 0, without)[i] > 0;
  }
  ASSERT_EQ(result.exitCode != 0, failureRan) << tool << "\n" << result.out << result.err;
  std::vector<int> built = CountBuilds(graph, directory);
  // A missing file that stays missing was not built.
  for (size_t i = 0; i < built.size(); ++i) built[i] = std::max(built[i], 0) - std::max(before[i], 0);
  // Sources are never built: 0 on both sides.
  EXPECT_EQ(built, expected) << tool;
  auto status = [&](size_t node) { return platform::PathStatus((directory / graph.nodes[node].name).string()); };
  for (size_t i = 0; i < graph.nodes.size(); ++i) {
    for (size_t d : graph.nodes[i].dependents) {
      EXPECT_FALSE(built[i] > 0 && expected[d] > 0 && platform::ModifiedAfter(status(d), status(i)))
          << tool << ": " << graph.nodes[i].name << " was written before its dependent " << graph.nodes[d].name;
    }
  }
}

// One makefile in a folder for bramle and one for GNU make, when installed.
struct Folders {
  ScratchDirectory bramle;
  ScratchDirectory make;
  const bool withMake =
      platform::kPathSeparator == '/' && testing_support::RunInDirectory("make --version", make.path()).exitCode == 0;

  void Write(const std::string& makefile) const {
    bramle.Write("Makefile", makefile);
    make.Write("Makefile", makefile);
  }
  // Runs bramle with `arguments` and make with the command `makeLine` on
  // `state`, each compared with the oracle.
  void ExpectBoth(const std::string& label, const RandomGraph& graph, const Snapshot& state,
                  const std::vector<std::string>& arguments, const std::string& makeLine,
                  const Oracle& oracle = {}) const {
    ExpectBuilds(
        "bramle" + label, graph, state, bramle.path(),
        [&] { return testing_support::RunBramle(arguments, bramle.path()); }, oracle);
    if (!withMake) return;
    ExpectBuilds(
        "GNU make" + label, graph, state, make.path(),
        [&] { return testing_support::RunInDirectory(makeLine, make.path()); }, oracle);
  }
};

class DifferentialTest : public testing::TestWithParam<int> {};

TEST_P(DifferentialTest, RebuildsWhatMakeWould) {
  const bool parallel = GetParam() >= kBatches;
  const int batch = GetParam() % kBatches;
  std::mt19937 random(7919u * static_cast<uint32_t>(batch + 1));
  RandomGraph graph;
  for (int g = 0; g < kGraphsPerBatch; ++g) {
    test::AddRandomGraph(random, 2 + random() % 11, "g" + std::to_string(batch * kGraphsPerBatch + g) + "n", graph);
  }
  const std::string makefile = MakefileText(graph, random);
  const Folders folders;
  folders.Write(makefile);
  RecordProperty("checked_against_gnu_make", folders.withMake ? "yes" : "no");
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(kRounds[round]);
    const Snapshot state = PlanRound(graph, round, random);
    // A resident shell (-L) costs far less under Wine than a process per
    // command; the default runner takes the two lighter rounds of batch 0.
    const bool resident = batch > 0 || round % 2 == 0;
    std::vector<std::string> arguments = {"all"};
    if (parallel) arguments.insert(arguments.begin(), {"-J", "4"});
    if (resident) arguments.insert(arguments.begin(), "-L");
    folders.ExpectBoth(resident ? " -L" : "", graph, state, arguments, parallel ? "make -r -j4 all" : "make -r all");
    if (HasFailure()) {
      ADD_FAILURE() << "makefile of batch " << batch << ":\n" << makefile;
      return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Batches, DifferentialTest, testing::Range(0, kBatches + kParallelBatches));

// How often a dry run lists each node's command ("echo N >> N").
std::vector<int> CountListed(const RandomGraph& graph, const std::string& listing) {
  std::map<std::string, size_t> index;
  for (size_t i = 0; i < graph.nodes.size(); ++i) index[graph.nodes[i].name] = i;
  std::vector<int> listed(graph.nodes.size(), 0);
  std::istringstream lines(listing);
  for (std::string word, name, arrows; lines >> word;) {
    if (word != "echo" || !(lines >> name >> arrows) || arrows != ">>") continue;
    if (const auto found = index.find(name); found != index.end()) ++listed[found->second];
  }
  return listed;
}

// The modes beside the plain build, on the same kind of graphs: -K against
// make -k with some commands failing, -N against make -n, and several
// targets named on the command line. Odd batches run bramle with -J 4, and
// each must build what it builds at -J1.
class DifferentialModes : public testing::TestWithParam<int> {};

TEST_P(DifferentialModes, KeepGoingDryRunsAndNamedTargetsDoWhatMakeDoes) {
  const int batch = GetParam();
  std::mt19937 random(104729u * static_cast<uint32_t>(batch + 1));
  RandomGraph graph;
  for (int g = 0; g < kGraphsPerBatch; ++g) {
    test::AddRandomGraph(random, 2 + random() % 11, "m" + std::to_string(batch * kGraphsPerBatch + g) + "n", graph);
  }
  Oracle failures;
  for (size_t i = 0; i < graph.nodes.size(); ++i) {
    if (graph.nodes[i].hasCommands && Chance(random, 8)) failures.failing.insert(i);
  }
  Oracle named;
  for (int k = 0; k < 3; ++k) named.goals.push_back(random() % graph.nodes.size());
  const std::string makefile = MakefileText(graph, random);
  const std::string failingMakefile = MakefileText(graph, random, failures.failing);
  const Folders folders;
  std::string goals;
  for (size_t goal : named.goals) goals += " " + graph.nodes[goal].name;

  SCOPED_TRACE("-K against make -k");
  folders.Write(failingMakefile);
  const Snapshot scrambled = PlanRound(graph, 2, random);
  std::vector<std::string> keepGoing = {"-L", "-K", "all"};
  if (batch % 2) keepGoing.insert(keepGoing.begin(), {"-J", "4"});
  folders.ExpectBoth(" -K", graph, scrambled, keepGoing, "make -r -k -j4 all", failures);

  SCOPED_TRACE("-N against make -n");
  folders.Write(makefile);
  const Snapshot touched = PlanRound(graph, 1, random);
  std::vector<std::string> dryRun = {"-N", "all"};
  if (batch % 2) dryRun.insert(dryRun.begin(), {"-J", "4"});
  SetFiles(graph, touched, folders.bramle.path());
  const std::vector<int> before = CountBuilds(graph, folders.bramle.path());
  const ProcessResult listed = testing_support::RunBramle(dryRun, folders.bramle.path());
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(CountListed(graph, listed.out), ExpectedBuilds(graph, touched, true)) << listed.out;
  EXPECT_EQ(CountBuilds(graph, folders.bramle.path()), before);
  if (folders.withMake) {
    SetFiles(graph, touched, folders.make.path());
    const ProcessResult result = testing_support::RunInDirectory("make -r -n all", folders.make.path());
    EXPECT_EQ(CountListed(graph, result.out), ExpectedBuilds(graph, touched, false)) << result.out;
  }

  SCOPED_TRACE("named targets" + goals);
  std::vector<std::string> named3 = {"-L"};
  if (batch % 2) named3.insert(named3.end(), {"-J", "4"});
  for (size_t goal : named.goals) named3.push_back(graph.nodes[goal].name);
  folders.ExpectBoth(goals, graph, scrambled, named3, "make -r -j4" + goals, named);
  if (HasFailure()) ADD_FAILURE() << "makefile of batch " << batch << ":\n" << failingMakefile;
}

INSTANTIATE_TEST_SUITE_P(Batches, DifferentialModes, testing::Range(0, 4));

}  // namespace
}  // namespace engine
