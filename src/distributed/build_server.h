// The -B side of the distributed build: listens for resident clients,
// announces itself on the local network, and lets each connected client
// build the targets the scheduler hands out, one at a time. The server
// learns of the targets only through its scheduler, the same hand-out the
// local parallel build uses.
//
// One event loop on one thread carries the listener, the announcements and
// every connection, whatever their number. Calls from other threads (the
// console's Ctrl+C, the window) are posted to it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "distributed/log_file.h"
#include "distributed/server_connection.h"
#include "distributed/server_view.h"
#include "distributed/settings_file.h"
#include "engine/target_scheduler.h"
#include "exec/worker_thread.h"
#include "platform/datagram_port.h"
#include "platform/event_loop.h"
#include "platform/loop_timer.h"
#include "platform/stream_listener.h"

namespace distributed {

inline constexpr int kAnnounceIntervalMs = 10000;
inline constexpr platform::Ipv4Address kBroadcastAddress = 0xFFFFFFFFu;

// The server's fixed texts outside the catalogue, UTF-8 as the sources
// keep them (platform::NarrowFromUtf8 gives the narrow form).
inline constexpr const char* kStatusBuilding = "ビルド処理を行っています...";
inline constexpr const char* kStatusComplete = "ビルド処理は完了しました";
inline constexpr const char* kStatusInterrupted = "ビルド処理を中断しました。";
inline constexpr const char* kCommandFailedMessage =
    "ビルドコマンドが0以外の戻り値を返しました。\r\n分散コンパイルを中止します。";
inline constexpr const char* kCommandFailedLine = "ビルドコマンドが0以外の戻り値を返しました。";

// Where the server's console texts go, each in one or more pieces; the
// piece that ends a text is written with a line end after it.
using ConsoleWriter = std::function<void(std::string_view piece, bool toStderr, bool endsText)>;
// Standard output or standard error.
void WriteToConsole(std::string_view piece, bool toStderr, bool endsText);
// What a text written in pieces hands each piece to.
using ConsolePiece = std::function<void(std::string_view piece)>;

class BuildServer {
 public:
  BuildServer(engine::TargetScheduler& scheduler, ServerView& view, ConsoleWriter console = WriteToConsole,
              LogClock clock = platform::LocalTimeNow);
  // ShutdownServer.
  ~BuildServer();
  BuildServer(const BuildServer&) = delete;
  BuildServer& operator=(const BuildServer&) = delete;

  // Before StartServer.
  void ApplySettings(const ServerSettings& settings);
  // -X: every console text goes to standard error, flushed.
  void SetProgressOutput(bool on) { progressOutput_ = on; }
  // -I: a command's exit code does not fail its target.
  void SetIgnoreErrors(bool on) { ignoreErrors_ = on; }
  // How many targets the build has, for the view's progress.
  void SetTargetCount(int count) { targetCount_ = count; }
  // Where announcements go: the broadcast address unless a test says.
  void SetAnnounceAddress(platform::Ipv4Address address) { announceAddress_ = address; }

  // Listens (on the automatic port when chosen), starts accepting and
  // announces. 0, or 1 when no port could be bound (reported).
  int StartServer();
  // Any thread: one announcement datagram, unless the build has ended.
  void Announce();
  // Any thread: ends the build: every connection is cancelled, accepting
  // stops.
  void StopServer();
  // Any thread: the window's buttons for one connection.
  void CancelConnection(int connection);
  void CloseConnection(int connection);
  // Stops accepting, closes every connection and waits for the loop's
  // thread to end.
  void ShutdownServer();

  // The TCP port clients connect to (after the automatic choice).
  int Port() const { return port_; }
  // Waits until the build has ended: nothing is left to hand out, a
  // command failed or StopServer was called.
  void WaitEnded();
  bool Ended() const { return finished_.load(); }
  // The first non-zero exit code a command returned; 0 when none did.
  int FailureCode() const { return failureCode_.load(); }

  // What connections call, on the loop's thread.
  engine::HandOutResult NextTarget();
  void FinishTarget(engine::TargetNode& target, engine::TargetOutcome outcome);
  // Whether a failure of `line` leaves its target going on, as the local
  // build reads it (-I, the line's own "-").
  bool IgnoresFailure(const engine::CommandLine& line) const { return ignoreErrors_ || line.IgnoreError(); }
  // A connection whose client is known takes the client's lane.
  void TraceWorker(engine::TracedWorker& worker, const std::string& name) const {
    scheduler_.TraceWorker(worker, name);
  }
  // -K: a failed target blocks only what needs it.
  bool KeepsGoing() const { return scheduler_.KeepsGoing(); }
  // A command returned `exitCode` (not 0): noted for the exit code; without
  // -K the whole build stops.
  void CommandFailed(int exitCode);
  bool AllowsClient(const std::string& address, const std::string& name) const;
  // Whether a command for the client at `peer`, over a connection whose
  // own end is `local`, loses its program's directory.
  bool StripsDirectoryFor(platform::Ipv4Address peer, platform::Ipv4Address local) const;
  std::string MachineName() const { return MachineNameOrComputerName(settings_.machineName); }
  // A line on the console: standard output, or standard error when asked
  // (or with -X).
  void Console(const std::string& text, bool toStderr);
  // A text too long to hold whole, in the pieces `pieces` hands to the
  // function it is given, written as one.
  void ConsoleText(bool toStderr, const std::function<void(const ConsolePiece&)>& pieces);
  void Log(const std::string& text);
  // The connection's stream is closed and it holds no target: it goes
  // after the callback in progress.
  void ConnectionEnded(int connection);

  // View calls, one at a time.
  void ViewConnectionAdded(int connection, const std::string& address);
  void ViewConnectionText(int connection, const std::string& name, const std::string& number, const std::string& text);
  void ViewTargetFinished();
  void ViewShowMessage(const std::string& text);
  void ViewStatusText(const std::string& text);

 private:
  int BindListener();
  void Accepted(std::unique_ptr<platform::StreamConnection> stream);
  void AnnounceNow();
  void ScheduleAnnouncement();
  void StopOnLoop();
  // Sets the finished flag once; wakes whoever waits for the end.
  void MarkEnded();
  void StopAccepting();
  // The hand-out changed: once the callback in progress has returned,
  // every connection between targets asks again.
  void WakeConnections();
  // Shutting down and no connection left: the loop ends.
  void EndLoopWhenIdle();
  template <typename Action>
  void ForConnection(int connection, Action action);

  engine::TargetScheduler& scheduler_;
  ServerView& view_;
  ConsoleWriter console_;
  ServerSettings settings_;
  platform::Ipv4Address announceAddress_ = kBroadcastAddress;
  bool progressOutput_ = false;
  bool ignoreErrors_ = false;
  int targetCount_ = 0;
  int port_ = 0;

  platform::EventLoop loop_;
  platform::StreamListener listener_{loop_};
  platform::DatagramPort announcer_{loop_};
  platform::LoopTimer announceTimer_{loop_};
  exec::WorkerThread loopThread_;
  std::atomic<bool> finished_{false};
  std::atomic<int> failureCode_{0};
  std::mutex endMutex_;
  std::condition_variable endChanged_;

  // The loop's thread alone.
  bool accepting_ = false;
  bool shuttingDown_ = false;
  bool wakePosted_ = false;
  bool endTold_ = false;  // the status says the build ended
  int nextConnectionId_ = 0;
  std::map<int, std::unique_ptr<ServerConnection>> connections_;

  ServerLog log_;
};

}  // namespace distributed
