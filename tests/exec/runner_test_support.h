// Helpers for the runner tests: this test program also serves as the child
// that runners start ("<self> --child MODE ..."), so the same children run
// on both builds.
#pragma once

#include <string>

#include "exec/command_runner.h"
#include "platform/processor_family.h"
#include "support/text_helpers.h"

namespace exec_test {

// The command line that runs this program in child mode `mode`.
std::string ChildCommand(const std::string& mode);

// Runs the child mode when the arguments ask for it; false otherwise.
bool RunChildIfAsked(int argc, char** argv, int* exitCode);

struct RunResult {
  int exec = -1;
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Exec, then take both streams while the command runs, once more after,
// and the exit code: the calling order every caller follows.
RunResult RunCommand(exec::CommandRunner& runner, const std::string& line);

// Standard output up to its first line end, taken while the command runs
// (all of it when the command ends first).
std::string FirstLine(exec::CommandRunner& runner);

// Text with every CR LF folded to LF (children on Windows write text mode).
inline std::string Folded(const std::string& text) { return testing_support::FoldLineEnds(text); }

// "line0\nline1\n..." as the "lines" child writes it.
inline std::string NumberedLines(const std::string& prefix, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += prefix + std::to_string(i) + "\n";
  return text;
}

// The bytes the "bytes" child writes: every value in turn.
inline std::string PatternBytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 256);
  return bytes;
}

inline bool IsPosixShell() { return platform::kProcessorFamily == platform::ProcessorFamily::PosixShell; }

}  // namespace exec_test
