// Per-command cost of the two runners: runs one command line N times the
// way the build engine does (Exec, take output while IsRunning, ExitCode)
// and prints the mean wall time per command. The variant "child" starts the
// command with the bare platform child process on the calling thread, no
// runner: the floor the runners add their overhead to.
//
//   runner_bench direct|batch|child COUNT COMMAND...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "exec/batch_runner.h"
#include "exec/direct_runner.h"
#include "platform/child_process.h"

namespace {

void Report(const char* variant, const std::string& command, int count, double totalMs, double startMs,
            size_t bytes) {
  std::printf("%-6s %-24s %6d commands  %9.1f ms  %7.3f ms/command  (start %.1f ms, %zu output bytes)\n", variant,
              command.c_str(), count, totalMs, totalMs / count, startMs, bytes);
}

int RunBare(int count, const std::string& command) {
  platform::LaunchRequest request;
  request.line = command;
  size_t bytes = 0;
  std::string text;
  const auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    platform::ChildProcess child;
    if (child.Start(request) != 0) {
      std::fprintf(stderr, "Start failed\n");
      return 1;
    }
    bool open[2] = {true, true};
    for (;;) {
      const bool ended = child.HasEnded();
      bool read = false;
      for (int stream = 0; stream < 2; ++stream) {
        if (!open[stream]) continue;
        text.clear();
        platform::PipeRead result = child.ReadOutput(static_cast<platform::OutputStream>(stream), text);
        bytes += text.size();
        read = read || result == platform::PipeRead::Data;
        if (result == platform::PipeRead::Closed) open[stream] = false;
      }
      if (ended && !read) break;
      if (!read) child.WaitForActivity(open[0], open[1]);
    }
    child.CloseOutput();
  }
  const auto end = std::chrono::steady_clock::now();
  Report("child", command, count, std::chrono::duration<double, std::milli>(end - begin).count(), 0, bytes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: runner_bench direct|batch|child COUNT COMMAND...\n");
    return 2;
  }
  const std::string variant = argv[1];
  const int count = std::atoi(argv[2]);
  std::string command = argv[3];
  for (int i = 4; i < argc; ++i) command += std::string(" ") + argv[i];

  if (variant == "child") return RunBare(count, command);

  std::unique_ptr<exec::CommandRunner> runner;
  if (variant == "direct") {
    runner = std::make_unique<exec::DirectRunner>();
  } else {
    runner = std::make_unique<exec::BatchRunner>();
  }
  const auto startBegin = std::chrono::steady_clock::now();
  if (runner->Start() != 0) {
    std::fprintf(stderr, "Start failed\n");
    return 1;
  }
  const auto begin = std::chrono::steady_clock::now();
  size_t bytes = 0;
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (runner->Exec(command) != 0) {
      std::fprintf(stderr, "Exec failed\n");
      return 1;
    }
    do {
      if (!runner->TakeStdout(text)) bytes += text.size();
      if (!runner->TakeStderr(text)) bytes += text.size();
    } while (runner->IsRunning());
    if (!runner->TakeStdout(text)) bytes += text.size();
    if (!runner->TakeStderr(text)) bytes += text.size();
    if (runner->ExitCode() != 0) {
      std::fprintf(stderr, "command failed with %d\n", runner->ExitCode());
      return 1;
    }
  }
  const auto end = std::chrono::steady_clock::now();
  runner->Close();
  const double startMs = std::chrono::duration<double, std::milli>(begin - startBegin).count();
  const double totalMs = std::chrono::duration<double, std::milli>(end - begin).count();
  Report(variant.c_str(), command, count, totalMs, startMs, bytes);
  return 0;
}
