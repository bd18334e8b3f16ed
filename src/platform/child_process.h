// A child process whose standard output and error come back through pipes,
// started in a process group of its own so that it can be broken off with
// everything it started.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class EventLoop;

// How the child is made from the request's texts.
enum class LaunchKind {
  // `line` names a program and its arguments; on POSIX it is split into
  // arguments by the Windows C runtime's rules.
  Program,
  // The processor runs `line` ("processor /c line", "processor -c line").
  ProcessorLine,
  // The processor alone, reading its commands from its standard input.
  Processor,
};

struct LaunchRequest {
  LaunchKind kind = LaunchKind::Program;
  std::string processor;
  std::string line;
  // Entries NAME=VALUE for the child; null gives it ours.
  const std::vector<std::string>* environment = nullptr;
  // True: the child's standard input is a pipe written with WriteInput.
  // False: it reads the null device (end of file at once).
  bool inputPipe = false;
};

enum class OutputStream { Stdout = 0, Stderr = 1 };

enum class PipeRead { Data, Empty, Closed };

class ChildProcess {
 public:
  ChildProcess();
  // A child still running is ended with its whole group.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // 0 started; 1 a pipe could not be made; 2 the process could not be
  // created (no such program, no resources).
  int Start(const LaunchRequest& request);

  // The reading side (one thread). Blocks until a watched stream has data or
  // end of file, the child has ended, Wake is called, or `timeoutMs` (when
  // not negative) has passed.
  void WaitForActivity(bool watchStdout, bool watchStderr, int timeoutMs = -1);
  // The reading side when an event loop waits instead of a thread: `ready`
  // is called once, on the loop's thread, when WaitForActivity would return
  // (it has no time limit here). A later call replaces the callback of one
  // not yet called. The loop's thread then makes every call but Wake,
  // Interrupt and Terminate, unless the loop has stopped running.
  void WatchActivity(EventLoop& loop, bool watchStdout, bool watchStderr, std::function<void()> ready);
  // Appends what the pipe holds now; never blocks.
  PipeRead ReadOutput(OutputStream stream, std::string& appendTo);
  // Ends the reading; on the reading thread, once it reads no more. A
  // writer still holding the pipes (a background grandchild) then finds
  // them closed.
  void CloseOutput();
  // True once the child has ended; its status stays readable.
  bool HasEnded();
  // Exit code of an ended child (128 + signal number for a POSIX signal).
  int ExitStatus() const;

  // Writes to the child's standard input; false when the child is gone.
  bool WriteInput(std::string_view text);

  // Any thread. Ends a WaitForActivity in progress or the next one.
  void Wake();
  // Any thread, beside the reading one. Waits up to `timeoutMs` for the
  // child to end; true when it has.
  bool WaitForEnd(int timeoutMs);
  // Any thread. Asks the child's group to stop (Ctrl+Break; SIGINT on
  // POSIX). False when no such request can reach it.
  bool Interrupt();
  // Any thread. Ends the child and everything left in its group at once.
  void Terminate();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform
