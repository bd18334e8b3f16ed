// Per-command cost of the two runners: runs one command line N times the
// way the build engine does (Exec, take output while IsRunning, ExitCode)
// and prints the mean wall time per command.
//
//   runner_bench direct|batch COUNT COMMAND...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "exec/batch_runner.h"
#include "exec/direct_runner.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: runner_bench direct|batch COUNT COMMAND...\n");
    return 2;
  }
  const std::string variant = argv[1];
  const int count = std::atoi(argv[2]);
  std::string command = argv[3];
  for (int i = 4; i < argc; ++i) command += std::string(" ") + argv[i];

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
  std::printf("%-6s %-24s %6d commands  %9.1f ms  %7.3f ms/command  (start %.1f ms, %zu output bytes)\n",
              variant.c_str(), command.c_str(), count, totalMs, totalMs / count, startMs, bytes);
  return 0;
}
