// Runs command lines in child processes and collects their output in
// pieces of whole lines, standard output and standard error apart.
//
// Calling order: Start; for each command Exec, then take both streams while
// IsRunning() is true, take both once more and read ExitCode; at the end
// Close. Kill may come from any thread at any time (Ctrl+C); Start makes a
// killed runner usable again.
//
// Nothing here sleeps. The child's pipes and its end are waited on either
// by a reader thread of the runner's own, or, for a runner that starts a
// process per command, by the caller itself inside IsRunning, so that a command costs no thread and no hand-over between threads. A
// caller that runs an event loop has the loop wait instead (ReportTo).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "exec/line_splitter.h"
#include "exec/worker_thread.h"
#include "platform/child_process.h"
#include "platform/event_loop.h"

namespace exec {

class CommandRunner {
 public:
  static constexpr int kWaitWithoutLimit = -1;
  // Bytes a stream keeps queued while its caller takes them as it goes; a
  // child with more to say waits on its pipe until they are taken.
  static constexpr size_t kQueueBytes = 1 << 20;
  // The DirectRunner's backlog rule counts lines (see TakeStdout).
  static constexpr size_t kQueueLimit = 1000;
  // How long Kill lets the child end after the break before ending it.
  static constexpr int kBreakGraceMs = 3000;

  virtual ~CommandRunner();
  CommandRunner(const CommandRunner&) = delete;
  CommandRunner& operator=(const CommandRunner&) = delete;

  // Before Start, for a caller on `loop`'s thread, which then makes every
  // call: `news` is called on that thread whenever IsRunning(0) may have
  // news, and where the caller would read the child's output, the loop
  // waits on the child and reads it. IsRunning is then called only with no
  // wait, and only once the output it reported has been taken, or the
  // backlog is let grow (see IsRunning).
  void ReportTo(platform::EventLoop& loop, std::function<void()> news);

  // 0 ready; 1 a pipe could not be made; 2 the command processor could not
  // be started. A killed or closed runner starts afresh.
  virtual int Start() = 0;

  // 0 started (or, for a command the runner carries out itself, already
  // done); 1 the command needs the command processor and none was found;
  // 2 it could not be started (no such program, a command still running,
  // a runner that is not started).
  virtual int Exec(const std::string& commandLine) = 0;

  // Ends the runner's work; a command still running is ended with it.
  virtual void Close() = 0;

  // Breaks off the running command: Ctrl+Break (SIGINT on POSIX) to its
  // process group, up to kBreakGraceMs for it to end, then the group is
  // ended (for the BatchRunner the group of the processor itself). Where no
  // break can reach the child (no console shared with it) it is ended at
  // once. ExitCode gives 1 afterwards, and Exec gives 2 until Start. Does
  // nothing on a runner that is not started.
  void Kill();

  // The break of Kill alone, for a caller that waits for the end itself:
  // false when no command runs or no break can reach it.
  bool Break();

  // True while the started command runs. Waits, up to `waitLimitMs`, until
  // there is news: output not seen before, or the command's end (then all
  // its output is queued). A stream whose queued output was not taken since
  // the previous call is no longer held to its bound for this command
  // (kQueueBytes; one piece under ReportTo).
  // The DirectRunner reads the child's output here only.
  bool IsRunning(int waitLimitMs = kWaitWithoutLimit);

  // Every queued line of the stream, concatenated in order; true when
  // nothing was queued. The DirectRunner's TakeStdout gives only the first
  // line and drops the rest when more than kQueueLimit + 1 lines piled up
  // while its caller did not take them (IsRunning above).
  bool TakeStdout(std::string& text);
  bool TakeStderr(std::string& text);

  // The exit code of the last finished command (a POSIX child ended by a
  // signal gives 128 + its number). While a command runs: 0 on the
  // DirectRunner, -1 on the BatchRunner.
  int ExitCode();

 protected:
  // Who reads the child's output: a thread of the runner's own, for a child
  // that outlives commands; or the caller of IsRunning.
  enum class Reader { Thread, Caller };
  explicit CommandRunner(Reader reader) : reader_(reader) {}

  enum class State { Created, Ready, Closed, Killed };
  static constexpr int kStdout = 0;
  static constexpr int kStderr = 1;

  // Runs on the reader thread with the lock held, for every piece of
  // whole lines read (and for a last line without a line end); the variant
  // decides what reaches the queue (through Queue).
  virtual void Enqueue(int stream, std::string&& lines) = 0;
  // The child has ended and its output is read (lock held).
  virtual void OnOutputEnded(int status) = 0;
  // IsRunning or ExitCode found the command finished (lock held).
  virtual void OnCommandFinished() {}
  // Kill has ended the child (no lock held).
  virtual void OnKilled() {}
  // The DirectRunner's backlog rule.
  virtual bool DropsStdoutBacklog() const { return false; }

  void Queue(int stream, std::string&& lines);

  // Makes `child` the runner's child and has its output read. False when no
  // reader thread could be made (the child is ended).
  bool Adopt(std::unique_ptr<platform::ChildProcess> child);
  // Stops the reading and ends and releases the child, if any. Lifecycle
  // lock held, state lock not.
  void ReleaseChild();
  // Resets the queues and news for a new command (lock held).
  void BeginCommand(int provisionalExitCode);
  // Ends the command's bookkeeping once it is known finished (lock held).
  void FinishCommand();
  // Waits (lock held) until `done` holds or `waitLimitMs` has passed; under
  // ReportTo the caller reads the child meanwhile, as no one else can.
  void WaitUntil(std::unique_lock<std::mutex>& lock, int waitLimitMs, const std::function<bool()>& done);
  // Bit 0 empties the standard-output queue, bit 1 the standard-error one
  // (lock held).
  void ClearQueuesLocked(int flags);

  std::mutex lifecycleMutex_;  // Start, Exec, Close, Kill; taken before mutex_
  std::mutex mutex_;           // everything below
  std::condition_variable changed_;
  State state_ = State::Created;
  bool busy_ = false;             // a command was started and not seen to finish
  bool commandFinished_ = false;  // ... but now it has, with commandStatus_
  int commandStatus_ = 0;
  int exitCode_ = 0;
  bool killing_ = false;
  std::unique_ptr<platform::ChildProcess> child_;  // changed under both locks
  bool childEnded_ = false;   // the reader saw the child end
  bool outputEnded_ = true;   // the reader has finished with the child

 private:
  // Where the reading of one child stands.
  struct Reading {
    LineSplitter splitters[2];
    bool closed[2] = {false, false};
    bool endNoted = false;
    bool watch[2] = {false, false};  // what an idle round waits for
    bool held = false;  // the child waits for room in a queue
  };
  enum class Round { Progress, Idle, Ended };

  // One pass over both pipes: reads what they hold where their queues have
  // room, and hands on the whole lines read. Ended: the child has ended and
  // nothing more can be handed on.
  Round ReadRound(platform::ChildProcess& child, Reading& reading);
  // After the last round: closes the pipes, hands on the last lines without
  // a line end and reports the child's end.
  void FinishReading(platform::ChildProcess& child, Reading& reading);
  // For a runner whose caller reads: waits for the child Kill has ended and
  // collects it, so that it is no zombie until the caller's next Start,
  // Exec or Close. Those release it, so that its pipes are closed by the
  // thread that reads them. Lifecycle lock held, state lock not.
  void CollectKilledChild();
  // The reader thread's loop.
  void ReadOutput(platform::ChildProcess& child);
  // The event loop's reading, for either variant: rounds until the pipes
  // are empty, then the loop waits for the child's next activity.
  void ReadOnLoop();
  // Tells the event loop's caller there may be news (see ReportTo).
  void Announce();
  // Reads on the caller's thread until `done` holds, the child's output has
  // ended, or `waitLimitMs` (when not negative) has passed. Lock held on
  // entry and return; released while reading.
  template <typename Done>
  void ReadOnCaller(std::unique_lock<std::mutex>& lock, int waitLimitMs, Done done);
  // Waits until `done` holds or `waitLimitMs` has passed, reading on the
  // caller's thread where that is the runner's way.
  template <typename Done>
  void WaitFor(std::unique_lock<std::mutex>& lock, int waitLimitMs, Done done);
  bool HasRoom(int stream);
  void Deliver(int stream, std::string&& lines);
  bool Take(int stream, std::string& text, bool dropBacklog);
  // Empties a queue (lock held).
  void ClearQueue(int stream);
  // `bytes` left a queue (lock held): a reader held back by it goes on.
  void Dequeued(int stream, size_t bytes);
  // Ends a reader's wait for activity, where one may be waiting (lock held).
  void WakeReader();

  const Reader reader_;
  platform::EventLoop* loop_ = nullptr;  // with news_, see ReportTo
  std::function<void()> news_;
  size_t queueBound_ = kQueueBytes;  // a stream reads on while it queues less
  std::deque<std::string> queues_[2];
  size_t queuedBytes_[2] = {0, 0};
  bool unlimited_[2] = {false, false};
  bool takenSincePoll_[2] = {true, true};
  std::uint64_t delivered_ = 0;
  std::uint64_t seen_ = 0;
  WorkerThread readerThread_;
  std::atomic<bool> stopReader_{false};
  Reading reading_;        // the caller's reading of the current child
  bool callerReading_ = false;  // a caller is reading the child just now
};

}  // namespace exec
