// -J: several targets at once, each target's output in one piece, the same
// results as a serial run; signals that stop a build.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "engine/output_spool.h"
#include "local_build_fixture.h"
#include "support/json_reader.h"

namespace app::test {
namespace {

// The lines in order; the -D times of files a run writes depend on the
// second it runs in and are left out.
std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("|   Timestamp is ", 0) != 0) lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string Numbered(const char* prefix, int number) { return std::string(prefix).append(std::to_string(number)); }

// t0 prints more than a target's output may hold in memory: the rest waits
// in a temporary file, gone afterwards.
TEST_F(LocalBuild, ParallelTargetsWriteTheirOutputInOnePiece) {
  std::string big;
  for (int line = 0; big.size() <= 2 * engine::OutputSpool::kMemoryBound; ++line) big += Numbered("big ", line) + "\n";
  WriteFile("big.txt", big);
  std::filesystem::create_directory(Directory() / "tmp");
  std::string makefile = "all:";
  for (int t = 0; t < 8; ++t) makefile.append(" ").append(Numbered("t", t));
  makefile += "\n";
  for (int t = 0; t < 8; ++t) {
    makefile += Numbered("t", t) + ":\n" + (t == 0 ? std::string("\t") + kShowFile + " big.txt\n" : "");
    for (int line = 0; line < 3; ++line) makefile += "\techo " + Numbered("t", t) + Numbered("-", line) + "\n";
  }
  Makefile(makefile);
  for (const std::vector<std::string>& options : {std::vector<std::string>{"-J4"}, {"-J", "4", "-L"}}) {
    const auto result = testing_support::RunBramleWithVariable(kWindows ? "TMP" : "TMPDIR",
                                                               (Directory() / "tmp").string(), options, Directory());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::is_empty(Directory() / "tmp"));
    size_t total = 0;
    for (int t = 0; t < 8; ++t) {
      std::string block = t == 0 ? std::string("  ") + kShowFile + " big.txt\n" + big : "";
      for (int line = 0; line < 3; ++line) {
        const std::string word = Numbered("t", t) + Numbered("-", line);
        block += "  echo " + word + "\n" + word + "\n";
      }
      EXPECT_NE(result.out.find(block), std::string::npos) << options.back() << "\n" << result.out;
      total += block.size();
    }
    EXPECT_EQ(result.out.size(), total) << result.out;
  }
}

// Each option with -J gives what it gives without, up to the order in
// which independent targets end. A failure without -K stops a parallel
// build at another point than a serial one, so "bad" is built only where
// failures do not stop the build.
TEST_F(LocalBuild, ParallelRunMatchesTheSerialRun) {
  const std::string makefile =
      "all: app lib1 lib2\n"
      "withbad: all bad needsbad\n"
      "app: o1 o2\n\techo link > app\n"
      "o1: s1\n\techo o1 > o1\n"
      "o2: s2\n\techo o2 > o2\n\t@echo quiet\n"
      "lib1: o1 s3\n\techo lib1 > lib1\n"
      "lib2:\n\techo lib2 > lib2\n"
      "bad: o2\n\texit 5\n\techo after\n"
      "needsbad: bad\n\techo never\n";
  // The options, then the target.
  for (const char* run : {"all", "-N all", "-Q all", "-T all", "-D all", "-P all", "-X all", "-A all", "-S all",
                          "-K withbad", "-I withbad", "-L -K withbad", "-X -K withbad"}) {
    SCOPED_TRACE(run);
    testing_support::ProcessResult results[2];
    for (int parallel = 0; parallel < 2; ++parallel) {
      Makefile(makefile);
      // Every target exists, older than the sources but lib1: a run
      // without commands leaves no target missing.
      for (const char* file : {"app", "o1", "o2", "lib2"}) MakeFile(file, 200);
      for (const char* source : {"s1", "s2", "s3"}) MakeFile(source, 100);
      MakeFile("lib1", 50);
      std::vector<std::string> arguments = Words(run);
      if (parallel) arguments.insert(arguments.end() - 1, "-J3");
      results[parallel] = Run(arguments);
    }
    EXPECT_EQ(results[1].exitCode, results[0].exitCode);
    EXPECT_EQ(SortedLines(results[1].out), SortedLines(results[0].out)) << results[1].out;
    EXPECT_EQ(SortedLines(results[1].err), SortedLines(results[0].err)) << results[1].err;
  }
}

// -K builds everything that does not need a failed target, and the same
// at any job count; a target above the failure is no missing file. Without
// -K a parallel failure ends the build, never with the failed target's
// parents.
TEST_F(LocalBuild, FailureBuildsNoParentAtAnyJobCount) {
  const std::string makefile =
      "all: bad.t dep.t other.t top.t\nbad.t:\n\texit 3\ndep.t: bad.t\n\techo dep> dep.t\n"
      "other.t:\n\techo other> other.t\ntop.t: dep.t other.t\n\techo top> top.t\n";
  for (const char* jobs : {"-J1", "-J4"}) {
    for (const bool keepGoing : {true, false}) {
      SCOPED_TRACE(std::string(jobs) + (keepGoing ? " -K" : ""));
      for (const char* file : {"dep.t", "other.t", "top.t"}) std::filesystem::remove(Directory() / file);
      Makefile(makefile);
      std::vector<std::string> options = {jobs, "-Ztrace.json"};
      if (keepGoing) options.push_back("-K");
      const auto result = Run(options);
      EXPECT_EQ(result.exitCode, keepGoing ? 3 : 1);
      EXPECT_EQ(result.err, keepGoing ? CommandError("exit", 3) : Fatal(diag::msg::kCommandReturned, "exit 3", 3));
      EXPECT_TRUE(!keepGoing || Exists("other.t"));
      EXPECT_FALSE(Exists("dep.t"));
      EXPECT_FALSE(Exists("top.t"));
      // -Z: the outcome, and every command that ran on a worker's lane.
      const auto trace = testing_support::SummariseTrace(Read("trace.json"));
      EXPECT_EQ(trace.run, keepGoing ? "failed 3" : "failed 1");
      const std::vector<std::string> ran = {"bad.t|exit 3|3", "other.t|echo other> other.t|0"};
      // Without -K, other.t runs only when -J4 started it beside bad.t.
      const bool otherRan = keepGoing || (jobs[2] == '4' && trace.commands.size() == 2);
      EXPECT_EQ(trace.commands, std::vector<std::string>(ran.begin(), ran.begin() + (otherRan ? 2 : 1)));
      EXPECT_TRUE(jobs[2] == '4' || trace.lanes == (std::vector<std::string>{"bramle", "worker 1"}));
    }
  }
}

// Without -K a target already running when another fails runs all its
// lines: slow's first command waits until bad has run.
TEST_F(LocalBuild, FailureLetsTheRunningTargetsFinish) {
  if (kWindows) GTEST_SKIP() << "the handshake uses a named pipe";
  ASSERT_EQ(testing_support::RunInDirectory("mkfifo gate", Directory()).exitCode, 0);
  Makefile(
      "all: slow bad later\n"
      "slow:\n\tread x < gate\n\techo slow-end\n\techo done > slow.t\n"
      "bad:\n\techo go > gate\n\texit 3\n"
      "later: slow bad\n\techo later ran\n");
  const auto result = Run({"-J2"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("slow-end\n"), std::string::npos) << result.out;
  EXPECT_TRUE(Exists("slow.t"));
  EXPECT_EQ(result.out.find("ran"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, Fatal(diag::msg::kCommandReturned, "exit 3", 3));
}

// A reader that goes away ("bramle | head") stops the build, as make's
// stops: the running commands end, nothing more starts, the run fails.
TEST_F(LocalBuild, ClosedOutputStopsTheBuild) {
  if (kWindows) GTEST_SKIP() << "the reader is a POSIX shell";
  Makefile(
      "all: first second third\n"
      "first:\n\techo first\n"
      "second:\n\ti=0; while [ ! -f gone ] && [ $$i -lt 100000 ]; do i=$$((i+1)); done; echo more\n"
      "third: second\n\techo x > third.t\n");
  for (const char* jobs : {"-J1", "-J2"}) {
    SCOPED_TRACE(jobs);
    std::filesystem::remove(Directory() / "gone");
    // The reader takes one line, closes the pipe, then says it is gone.
    const std::string line = "(\"" + testing_support::BramleExecutable() + "\" " + jobs +
                             "; echo $? > code) | (read line; exec <&-; : > gone)";
    testing_support::RunInDirectory(line, Directory());
    EXPECT_NE(Read("code"), "0\n");
    EXPECT_FALSE(Exists("third.t"));
  }
}

TEST_F(LocalBuild, JobCounts) {
  Makefile("t:\n\techo t\n");
  const std::string serial = Run().out;
  for (const char* good : {"-J1", "-J 1", "-j2", "/J2", "-J", "-J t", "-J 256 t"}) {
    const auto result = Run(Words(good));
    EXPECT_EQ(result.exitCode, 0) << good;
    EXPECT_EQ(result.out, serial) << good;
  }
  // A wrong count is named, with the counts allowed.
  for (const char* bad : {"-J0", "-Jx", "-J-1", "-J257", "-J 0", "-J 1000", "-J4x"}) {
    const std::vector<std::string> arguments = Words(bad);
    const auto result = Run(arguments);
    const std::string value = arguments.size() == 2 ? arguments[1] : arguments[0].substr(2);
    EXPECT_EQ(result.exitCode, 1) << bad;
    EXPECT_EQ(result.err, Fatal(diag::msg::kJobCountInvalid, value, 256)) << bad;
    EXPECT_EQ(result.out, "") << bad;
  }
}

// True while the process `pid` runs (a zombie has ended).
bool ProcessRuns(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string text;
  if (!std::getline(stat, text)) return false;
  const size_t nameEnd = text.rfind(')');
  return nameEnd != std::string::npos && text.compare(nameEnd, 3, ") Z") != 0;
}

// Ctrl+C, Ctrl+Break, a request to terminate and a hang-up: every running
// command ends with bramle, nothing after it starts, and the run fails (even
// with -I), with one report on standard error and no failure of its own for
// each command killed.
TEST_F(LocalBuild, SignalsEndTheRunningCommandsAndStopTheBuild) {
  if (kWindows) GTEST_SKIP() << "a console event needs a console; the tests run without one";
  // Under -J3 two commands block for good once they have told the third,
  // through a named pipe each, that they run; the third then signals.
  ASSERT_EQ(testing_support::RunInDirectory("mkfifo fa fb", Directory()).exitCode, 0);
  const std::string blocked = "; while :; do read x; done < /dev/zero\n";
  const std::string parallel = "all: a b first after\na:\n\techo > fa" + blocked + "b:\n\techo > fb" + blocked +
                               "first:\n\tread x < fa; read y < fb; ";
  const struct {
    const char* signal;
    std::vector<std::string> arguments;
    unsigned notice;
    std::string makefile = "all: first after\nfirst:\n\t";  // up to the command that signals
  } cases[] = {{"INT", {}, diag::msg::kCtrlCReceived},
               {"QUIT", {"-I"}, diag::msg::kCtrlBreakReceived},
               {"TERM", {}, diag::msg::kEndRequested},
               {"HUP", {}, diag::msg::kEndRequested},
               {"INT", {"-J3", "-Ztrace.json"}, diag::msg::kCtrlCReceived, parallel}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.signal) + (c.arguments.empty() ? "" : " " + c.arguments[0]));
    // The command signals bramle (its parent) and goes on as a long sleep
    // under the same process id, which must not outlive bramle.
    Makefile(c.makefile + "echo $$ > command.pid; kill -" + c.signal +
             " $PPID; exec sleep 37\nafter:\n\techo after ran\n");
    const auto result = Run(c.arguments);
    const std::string written = Read("command.pid");
    const std::string pid = written.substr(0, written.find('\n'));
    ASSERT_FALSE(pid.empty());
    const bool outlived = ProcessRuns(pid);
    if (outlived) testing_support::RunInDirectory("kill -KILL " + pid, Directory());
    EXPECT_FALSE(outlived);
    const std::string stopped = diag::LoadMessage(diag::msg::kBuildStopped);
    EXPECT_EQ(result.err, diag::LoadMessage(c.notice) + "\n" + stopped + "\n");
    EXPECT_EQ(result.out.find(stopped), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("after ran"), std::string::npos) << result.out;
    EXPECT_EQ(result.exitCode, 1);
  }
  // The stopped -J3 run's trace holds its three killed commands.
  const auto trace = testing_support::SummariseTrace(Read("trace.json"));
  EXPECT_EQ(trace.run, "stopped 1");
  EXPECT_EQ(trace.lanes.size(), 4u);
  ASSERT_EQ(trace.commands.size(), 3u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(trace.commands[i][0], "abf"[i]) << trace.commands[i];
}

}  // namespace
}  // namespace app::test
