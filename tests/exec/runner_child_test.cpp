// Entry point of the exec tests, and the child modes the runner tests start.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <string>

#include "platform/console_control.h"
#include "platform/network_startup.h"
#include "platform/system_info.h"
#include "runner_test_support.h"

namespace exec_test {
namespace {

void Write(FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

int RunChild(int argc, char** argv) {
  const std::string mode = argv[2];
  const long number = argc > 3 ? std::atol(argv[3]) : 0;
  if (mode == "exit") {
    return static_cast<int>(number);
  } else if (mode == "lines") {
    Write(argc > 4 && std::strcmp(argv[4], "err") == 0 ? stderr : stdout, NumberedLines("line", static_cast<int>(number)));
  } else if (mode == "mixed") {
    for (long i = 0; i < number; ++i) {
      Write(stdout, "out" + std::to_string(i) + "\n");
      Write(stderr, "err" + std::to_string(i) + "\n");
    }
  } else if (mode == "bytes") {
    Write(stdout, PatternBytes(static_cast<size_t>(number)));
  } else if (mode == "partial") {
    Write(stdout, "a\nb");
    Write(stderr, "c\nd");
  } else if (mode == "close") {
    std::fclose(stdout);
    std::fclose(stderr);
    return static_cast<int>(number);
  } else if (mode == "block") {
    Write(stdout, "blocking\n");
    std::promise<void>().get_future().wait();
  } else if (mode == "env") {
    const char* value = std::getenv(argv[3]);
    Write(stdout, value ? std::string(value) + "\n" : "<unset>\n");
  } else if (mode == "args") {
    for (int i = 3; i < argc; ++i) Write(stdout, std::string("[") + argv[i] + "]\n");
  } else if (mode == "stdin") {
    size_t count = 0;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) count += n;
    Write(stdout, "read " + std::to_string(count) + "\n");
  } else {
    Write(stderr, "unknown child mode " + mode + "\n");
    return 99;
  }
  return 0;
}

}  // namespace

std::string ChildCommand(const std::string& mode) { return "\"" + platform::ModulePath() + "\" --child " + mode; }

bool RunChildIfAsked(int argc, char** argv, int* exitCode) {
  if (argc < 3 || std::strcmp(argv[1], "--child") != 0) return false;
  *exitCode = RunChild(argc, argv);
  return true;
}

RunResult RunCommand(exec::CommandRunner& runner, const std::string& line) {
  RunResult result;
  result.exec = runner.Exec(line);
  if (result.exec != 0) return result;
  std::string text;
  auto takeBoth = [&] {
    if (!runner.TakeStdout(text)) result.out += text;
    if (!runner.TakeStderr(text)) result.err += text;
  };
  while (runner.IsRunning()) takeBoth();
  takeBoth();
  result.exitCode = runner.ExitCode();
  return result;
}

std::string FirstLine(exec::CommandRunner& runner) {
  std::string out;
  std::string text;
  while (out.find('\n') == std::string::npos && runner.IsRunning()) {
    if (!runner.TakeStdout(text)) out += text;
  }
  return out;
}

}  // namespace exec_test

int main(int argc, char** argv) {
  int exitCode = 0;
  if (exec_test::RunChildIfAsked(argc, argv, &exitCode)) return exitCode;
  // As in bramle itself: Ctrl+C and Ctrl+Break are taken by a thread of
  // their own (blocked everywhere else on POSIX), and SIGPIPE is ignored.
  // Children must start without either.
  platform::InstallConsoleControlHandler([](platform::ConsoleEvent) {});
  platform::StartNetworking();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
