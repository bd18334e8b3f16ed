// Where a local worker's messages, echoed commands and command output go.
// With one worker they go straight to the standard streams, as they come.
// With several, each target's are held until the target ends and then
// written in one piece, so that targets never interleave and appear in the
// order they end; past a bound they are held in a temporary file.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/output_spool.h"

namespace engine {

// The standard streams as the workers share them.
class SharedConsole {
 public:
  // `onClosed` runs once, on a writing thread without the lock, when
  // standard output turns out closed (a reader that has gone, as in
  // "bramle | head"): the build stops, as make's does.
  explicit SharedConsole(std::function<void()> onClosed = {}) : onClosed_(std::move(onClosed)) {}

  std::mutex& Lock() { return mutex_; }
  // The next -X count (lock held).
  int NextProgressCount() { return ++progressCount_; }
  // Writes to standard output (lock held); notes a closed one.
  void WriteStdout(std::string_view text);
  // After a write, with the lock let go.
  void ActOnClose();

 private:
  std::mutex mutex_;
  int progressCount_ = 0;
  std::function<void()> onClosed_;
  std::atomic<bool> closed_{false};
  std::atomic<bool> acted_{false};
};

class WorkerOutput {
 public:
  WorkerOutput(SharedConsole& console, bool hold) : console_(console), hold_(hold) {}

  void Stdout(std::string_view text) { Add(Kind::Stdout, text); }
  void Stderr(std::string_view text) { Add(Kind::Stderr, text); }
  // The -X lines that begin a target: its name on standard error, the
  // next count on standard output. The count is taken when written.
  void Progress(std::string_view name) { Add(Kind::Progress, name); }

  // Writes what is held, in one piece.
  void Flush();

 private:
  enum class Kind { Stdout, Stderr, Progress };
  // The next `size` bytes of the spool, or for Progress the name.
  struct Piece {
    Kind kind;
    size_t size;
    std::string name;
  };

  void Add(Kind kind, std::string_view text);
  // Lock held.
  void Write(Kind kind, std::string_view text);

  SharedConsole& console_;
  const bool hold_;
  std::vector<Piece> held_;
  OutputSpool spool_;
};

}  // namespace engine
