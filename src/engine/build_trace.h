// The timeline of one run (-Z): every command line the workers ran, on a
// lane per worker, written when the run ends as a Chrome trace event file
// that Perfetto and Chromium's trace viewer open as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace engine {

struct TargetNode;

class BuildTrace {
 public:
  // The run starts now; the file is `path` as the working directory names
  // it now (the build moves to the makefile's folder later).
  explicit BuildTrace(const std::string& path);
  // The trace -Z asks for; none when `path` is empty.
  static std::unique_ptr<BuildTrace> ForFile(const std::string& path);

  // A moment on the monotonic clock, for CommandEnded.
  static std::uint64_t Now();
  // The lane named `name`, made on its first use: one per worker, and one
  // per client however often it reconnects. Any thread.
  int Lane(const std::string& name);
  // Line `line` of `target`'s commands ran on `lane` from `start` until
  // now. Any thread. The model outlives the trace, so a command is kept as
  // a few numbers, its texts read only when the file is written.
  void CommandEnded(int lane, const TargetNode& target, std::size_t line, std::uint64_t start, int exitCode);

  // Writes the run's span until now, its outcome (built, failed or
  // stopped, from `exitCode` and `stopped`) and every command. Gives
  // `exitCode`; when the file cannot be written, says so and gives 1 in
  // place of 0.
  int Finish(int exitCode, bool stopped) const;

 private:
  struct Command {
    const TargetNode* target;
    std::uint32_t line;
    int lane;
    int exitCode;
    std::uint64_t start;
    std::uint64_t end;
  };

  // Microseconds from the run's start.
  std::uint64_t Micros(std::uint64_t moment) const;

  const std::string path_;
  const std::uint64_t start_;
  mutable std::mutex mutex_;  // the lanes and the commands
  std::vector<std::string> lanes_;
  std::vector<Command> commands_;
};

}  // namespace engine
