// Differential test of the rebuild decision. Random acyclic graphs are built,
// their files are given chosen times (some are deleted), and the targets that
// bramle rebuilds are compared with an oracle that applies GNU make's
// out-of-date rule. On Linux, GNU make itself (when installed) must match the
// same oracle on the same files, so the oracle is checked against the real
// make.
//
// The graphs stay in the subset that both tools read alike: explicit
// dependency lines (some targets name their dependents on two lines, a few
// name one dependent twice), one command per target that appends the
// target's name to its own file ("echo NAME >> NAME" means the same under
// /bin/sh and cmd.exe), and sources without rules. The number of lines in a
// target's file tells how often it was built.
//
// Where bramle's dialect differs from GNU make, the oracle takes bramle's
// side; each difference is one flag or comparison in ExpectedBuilds:
//  - A target with commands and no dependents is built on every run; make
//    builds it only when its file is missing. Its parents then have a newer
//    dependent and are rebuilt as well.
// Both tools compare times at the resolution the file system keeps; the test
// sets times a quarter of a second apart, so that many differ within one
// second. Both treat equal times as up to date, build a missing target, and
// build a target whose dependent was rebuilt in the same run. A target that
// is up to date and shared by several parents is built by neither tool.
// Outside the common subset, and so not generated: a dependent that has
// neither a file nor a rule (both stop, with different messages), commands
// that leave no file (bramle does not count such a dependent as newer, make
// does), names that differ only in letter case (one target to bramle).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

namespace fs = std::filesystem;
using testing_support::ProcessResult;
using testing_support::RunBramle;
using testing_support::RunInDirectory;
using testing_support::ScratchDirectory;

// 8 batches of 25 graphs: one bramle run per batch and round keeps the test
// quick under Wine, where every process start is costly.
constexpr int kBatches = 8;
constexpr int kGraphsPerBatch = 25;
constexpr size_t kMaxNodesPerGraph = 12;
constexpr size_t kMaxDependents = 4;
// Batches from kBatches on run again with four jobs: bramle -J 4 against
// make -j4.
constexpr int kParallelBatches = 3;

// The same graphs on every platform: mt19937's sequence is fixed by the
// standard, and the reduction to a range is done here, since library
// distributions may differ.
class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  size_t Below(size_t bound) { return engine_() % bound; }
  bool Chance(size_t percent) { return Below(100) < percent; }

  template <typename T>
  void Shuffle(std::vector<T>& items) {
    for (size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[Below(i)]);
  }

 private:
  std::mt19937 engine_;
};

struct Node {
  std::string name;
  bool hasCommands = false;        // false: a source file that nothing builds
  std::vector<size_t> dependents;  // always nodes of higher index: no cycles
};

// Several disjoint graphs, built together through "all".
struct Project {
  std::vector<Node> nodes;
  std::vector<size_t> tops;  // nodes that no other node depends on
};

void AddGraph(int graph, Random& random, Project& project) {
  const size_t first = project.nodes.size();
  const size_t count = 2 + random.Below(kMaxNodesPerGraph - 1);
  std::vector<bool> hasParent(count, false);
  for (size_t i = 0; i < count; ++i) {
    Node node;
    node.name = "g" + std::to_string(graph) + "n" + std::to_string(i);
    const size_t later = count - 1 - i;
    const size_t kind = random.Below(100);
    if (later == 0 || kind < 25) {
      node.hasCommands = kind % 10 == 0;  // now and then a target without dependents
    } else if (kind < 28) {
      node.hasCommands = true;
    } else {
      node.hasCommands = true;
      std::vector<size_t> candidates;
      for (size_t j = i + 1; j < count; ++j) candidates.push_back(j);
      random.Shuffle(candidates);
      candidates.resize(1 + random.Below(std::min(kMaxDependents, later)));
      if (random.Chance(5)) candidates.push_back(candidates[random.Below(candidates.size())]);
      for (size_t j : candidates) {
        hasParent[j] = true;
        node.dependents.push_back(first + j);
      }
    }
    project.nodes.push_back(std::move(node));
  }
  for (size_t i = 0; i < count; ++i) {
    if (!hasParent[i]) project.tops.push_back(first + i);
  }
}

std::string DependencyLine(const std::string& target, const std::vector<std::string>& dependents) {
  std::string line = target + ":";
  for (const std::string& name : dependents) line += " " + name;
  return line + "\n";
}

// The makefile both tools read: "all" first, then the targets' blocks in
// random order, so that targets are named as dependents both before and
// after their own lines.
std::string MakefileText(const Project& project, Random& random) {
  std::vector<std::string> blocks;
  for (const Node& node : project.nodes) {
    if (!node.hasCommands) continue;
    std::vector<std::string> names;
    for (size_t d : node.dependents) names.push_back(project.nodes[d].name);
    const std::string command = "\techo " + node.name + " >> " + node.name + "\n";
    if (names.size() >= 2 && random.Chance(20)) {
      // Dependents on two lines, the command under one of them.
      const auto split = names.begin() + static_cast<std::ptrdiff_t>(1 + random.Below(names.size() - 1));
      const std::string head = DependencyLine(node.name, {names.begin(), split});
      const std::string tail = DependencyLine(node.name, {split, names.end()});
      const bool commandFirst = random.Chance(50);
      blocks.push_back(commandFirst ? head + command : head);
      blocks.push_back(commandFirst ? tail : tail + command);
    } else {
      blocks.push_back(DependencyLine(node.name, names) + command);
    }
  }
  random.Shuffle(blocks);
  std::vector<std::string> tops;
  for (size_t t : project.tops) tops.push_back(project.nodes[t].name);
  std::string text = DependencyLine("all", tops);
  for (const std::string& block : blocks) text += block;
  return text;
}

// Each node's file before a run: whether it exists, and its time in ticks
// after the test's base time.
constexpr std::chrono::milliseconds kTick{250};
struct FileState {
  bool exists = false;
  int64_t ticks = 0;
};
using Snapshot = std::vector<FileState>;

enum class Round {
  kFresh,      // no target exists yet
  kTouched,    // everything up to date, then some files get a later time
  kScrambled,  // random times with many ties, some targets deleted
  kUnchanged,  // everything up to date
};

const char* RoundName(Round round) {
  switch (round) {
    case Round::kFresh: return "fresh build";
    case Round::kTouched: return "touched files";
    case Round::kScrambled: return "scrambled times";
    case Round::kUnchanged: return "nothing changed";
  }
  return "";
}

// Times up to date along every edge: a target is as new as its newest
// dependent or up to two ticks newer, so equal times occur often.
Snapshot UpToDateTimes(const Project& project, Random& random) {
  Snapshot state(project.nodes.size());
  for (size_t i = project.nodes.size(); i-- > 0;) {
    const Node& node = project.nodes[i];
    state[i].exists = true;
    if (node.dependents.empty()) {
      state[i].ticks = static_cast<int64_t>(random.Below(50));
      continue;
    }
    for (size_t d : node.dependents) state[i].ticks = std::max(state[i].ticks, state[d].ticks);
    state[i].ticks += static_cast<int64_t>(random.Below(3));
  }
  return state;
}

Snapshot PlanRound(const Project& project, Round round, Random& random) {
  Snapshot state;
  switch (round) {
    case Round::kFresh:
      state.resize(project.nodes.size());
      for (size_t i = 0; i < state.size(); ++i) {
        state[i] = {!project.nodes[i].hasCommands, static_cast<int64_t>(random.Below(50))};
      }
      break;
    case Round::kTouched:
      state = UpToDateTimes(project, random);
      for (FileState& file : state) {
        if (random.Chance(15)) file.ticks = 100 + static_cast<int64_t>(random.Below(100));
      }
      break;
    case Round::kScrambled:
      state.resize(project.nodes.size());
      for (size_t i = 0; i < state.size(); ++i) {
        const bool deleted = project.nodes[i].hasCommands && random.Chance(15);
        state[i] = {!deleted, static_cast<int64_t>(random.Below(20))};
      }
      break;
    case Round::kUnchanged:
      state = UpToDateTimes(project, random);
      break;
  }
  return state;
}

enum class Dialect { kGnuMake, kBramle };

// How often each node should be built in one run from the given state, by
// make's rule: a target is built when its file is missing, when a dependent
// was built in this run, or when a dependent is strictly newer. Dependents
// have higher indices, so one backward pass settles them first.
std::vector<int> ExpectedBuilds(const Project& project, const Snapshot& state, Dialect dialect) {
  std::vector<int> builds(project.nodes.size(), 0);
  for (size_t i = project.nodes.size(); i-- > 0;) {
    const Node& node = project.nodes[i];
    if (!node.hasCommands) continue;
    bool stale = !state[i].exists;
    if (dialect == Dialect::kBramle && node.dependents.empty()) stale = true;
    for (size_t d : node.dependents) {
      if (builds[d] > 0 || state[d].ticks > state[i].ticks) stale = true;
    }
    builds[i] = stale ? 1 : 0;
  }
  return builds;
}

class Tree {
 public:
  Tree(const Project& project, const fs::path& directory) : project_(project), directory_(directory) {}

  // Creates the files the state says exist, removes the others, and sets the
  // times. Existing files keep their contents: the builds are counted on.
  // `base` is in nanoseconds since 1970.
  void Apply(const Snapshot& state, int64_t base) const {
    for (size_t i = 0; i < state.size(); ++i) {
      const fs::path file = directory_ / project_.nodes[i].name;
      if (!state[i].exists) {
        fs::remove(file);
        continue;
      }
      if (!fs::exists(file)) std::ofstream(file, std::ios::binary).flush();
      const auto time = std::chrono::nanoseconds(base) + kTick * state[i].ticks;
      ASSERT_TRUE(platform::SetModifiedTime(file.string(), time.count())) << file;
    }
  }

  // Lines in each node's file, -1 for a missing file.
  std::vector<int> CountBuilds() const {
    std::vector<int> counts;
    for (const Node& node : project_.nodes) {
      std::ifstream in(directory_ / node.name, std::ios::binary);
      if (!in) {
        counts.push_back(-1);
        continue;
      }
      const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      counts.push_back(static_cast<int>(std::count(text.begin(), text.end(), '\n')));
    }
    return counts;
  }

  platform::FileStatus Status(size_t node) const {
    return platform::PathStatus((directory_ / project_.nodes[node].name).string());
  }
  const fs::path& directory() const { return directory_; }

 private:
  const Project& project_;
  fs::path directory_;
};

std::string Describe(const Project& project, const Snapshot& state, size_t node) {
  std::ostringstream text;
  text << project.nodes[node].name;
  if (state[node].exists) {
    text << " (t=" << state[node].ticks << ")";
  } else {
    text << " (missing)";
  }
  return text.str();
}

// Compares what one tool did with the oracle, and checks that every target
// was written no earlier than the dependents built in the same run.
void ExpectBuilds(const std::string& tool, Round round, const Project& project, const Snapshot& state,
                  const std::vector<int>& expected, const std::vector<int>& before, const Tree& tree) {
  const std::vector<int> after = tree.CountBuilds();
  std::vector<std::string> faults;
  for (size_t i = 0; i < project.nodes.size(); ++i) {
    if (!project.nodes[i].hasCommands) continue;
    const int built = after[i] < 0 ? -1 : after[i] - std::max(before[i], 0);
    if (built != expected[i]) {
      std::ostringstream fault;
      fault << Describe(project, state, i) << " built " << built << " time(s), expected " << expected[i]
            << "; dependents:";
      for (size_t d : project.nodes[i].dependents) {
        fault << " " << Describe(project, state, d) << (expected[d] > 0 ? " (to be rebuilt)" : "");
      }
      faults.push_back(fault.str());
      continue;
    }
    if (built <= 0) continue;
    for (size_t d : project.nodes[i].dependents) {
      if (expected[d] > 0 && platform::ModifiedAfter(tree.Status(d), tree.Status(i))) {
        faults.push_back(project.nodes[i].name + " was written before its dependent " + project.nodes[d].name);
      }
    }
  }
  std::string report;
  for (size_t i = 0; i < faults.size() && i < 20; ++i) report += "  " + faults[i] + "\n";
  EXPECT_TRUE(faults.empty()) << tool << ", round \"" << RoundName(round) << "\": " << faults.size()
                              << " difference(s)\n"
                              << report;
}

std::vector<std::string> BramleArguments(bool residentShell, bool parallel) {
  std::vector<std::string> arguments;
  if (residentShell) arguments.push_back("-L");
  if (parallel) arguments.insert(arguments.end(), {"-J", "4"});
  arguments.push_back("all");
  return arguments;
}

bool GnuMakeAvailable(const fs::path& directory) {
  if (platform::kPathSeparator != '/') return false;
  return RunInDirectory("make --version", directory).exitCode == 0;
}

class DifferentialTest : public testing::TestWithParam<int> {};

TEST_P(DifferentialTest, RebuildsWhatMakeWould) {
  const bool parallel = GetParam() >= kBatches;
  const int batch = parallel ? GetParam() - kBatches : GetParam();
  Random random(7919u * static_cast<uint32_t>(batch + 1));
  Project project;
  for (int graph = 0; graph < kGraphsPerBatch; ++graph) AddGraph(batch * kGraphsPerBatch + graph, random, project);
  const std::string makefile = MakefileText(project, random);

  ScratchDirectory bramleDirectory;
  bramleDirectory.Write("Makefile", makefile);
  const Tree bramleTree(project, bramleDirectory.path());
  std::unique_ptr<ScratchDirectory> makeDirectory;
  if (GnuMakeAvailable(bramleDirectory.path())) {
    makeDirectory = std::make_unique<ScratchDirectory>();
    makeDirectory->Write("Makefile", makefile);
  }
  RecordProperty("checked_against_gnu_make", makeDirectory ? "yes" : "no");

  // A whole second, well in the past: every file a run writes is newer.
  const auto past = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) - std::chrono::hours(24 * 10);
  const int64_t base = std::chrono::duration_cast<std::chrono::nanoseconds>(past.time_since_epoch()).count();
  for (Round round : {Round::kFresh, Round::kTouched, Round::kScrambled, Round::kUnchanged}) {
    const Snapshot state = PlanRound(project, round, random);

    bramleTree.Apply(state, base);
    const std::vector<int> bramleBefore = bramleTree.CountBuilds();
    // Commands run through one resident shell (-L), which costs far less
    // under Wine than a process per command (the default); the default runner
    // takes the two lighter rounds of the first batch.
    const bool residentShell = batch > 0 || round == Round::kFresh || round == Round::kScrambled;
    const ProcessResult bramle = RunBramle(BramleArguments(residentShell, parallel), bramleTree.directory());
    ASSERT_EQ(bramle.exitCode, 0) << RoundName(round) << "\n" << bramle.out << bramle.err << "\n" << makefile;
    ExpectBuilds(residentShell ? "bramle -L" : "bramle", round, project, state,
                 ExpectedBuilds(project, state, Dialect::kBramle), bramleBefore, bramleTree);

    if (makeDirectory) {
      const Tree makeTree(project, makeDirectory->path());
      makeTree.Apply(state, base);
      const std::vector<int> makeBefore = makeTree.CountBuilds();
      const ProcessResult make = RunInDirectory(parallel ? "make -r -j4 all" : "make -r all", makeTree.directory());
      ASSERT_EQ(make.exitCode, 0) << RoundName(round) << "\n" << make.out << make.err;
      ExpectBuilds("GNU make", round, project, state, ExpectedBuilds(project, state, Dialect::kGnuMake), makeBefore,
                   makeTree);
    }
    if (HasFailure()) {
      ADD_FAILURE() << "makefile of batch " << batch << ":\n" << makefile;
      return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Batches, DifferentialTest, testing::Range(0, kBatches + kParallelBatches));

}  // namespace
