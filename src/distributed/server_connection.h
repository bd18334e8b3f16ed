// One client of a build server: greets it, opens its build phase, and then
// builds the targets the server's scheduler hands it, one at a time, by
// sending their command lines and collecting what comes back. A connection
// is one of the scheduler's workers; its thread does all its protocol work.
//
// The thread never polls: between steps it waits for one wake-up, given by
// bytes or the end of the connection, a posted event, or a change of the
// hand-out (a target ended elsewhere, the build stopped).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "distributed/protocol_peer.h"
#include "engine/output_spool.h"
#include "engine/target_worker.h"
#include "exec/worker_thread.h"

namespace distributed {

class BuildServer;

class ServerConnection : public ProtocolPeer, public engine::TargetWorker {
 public:
  enum Event : int { kEventClose = 5, kEventCancel = 6 };
  enum Phase : int { kWaitingForClient = 0, kOpeningPhase = 1, kBuildPhase = 2 };

  ServerConnection(BuildServer& server, int id);
  ~ServerConnection() override;

  int Id() const { return id_; }
  // Starts the thread over the accepted socket; `readLimitMs` bounds each
  // wait for a client's line (kNoReadLimit: none).
  bool Start(int readLimitMs);
  // Waits for the thread to end.
  void Join() { thread_.Join(); }

  // Any thread: 5 closes the build phase, 6 cancels it.
  void PostEvent(int event);
  // Any thread: the hand-out has changed; a connection waiting for a
  // target asks again.
  void Wake();

  // Runs the target's command lines on the client, on the caller's thread.
  engine::TargetOutcome Build(engine::TargetNode& target) override;
  void Cancel() override { PostEvent(kEventCancel); }

  int CurrentPhase() const { return phase_.load(); }

 private:
  using Clock = std::chrono::steady_clock;

  void Run();
  void WaitingStep();
  void OpeningStep();
  void BuildPhaseStep();
  bool HandleOneEvent();
  // Sends `message`, waits for any answer and ends the connection.
  void EndPhase(const std::string& message);
  void CloseBuildPhase();
  void CancelBuildPhase();
  void Disconnect();
  // Lines that arrive while no command runs; false when the connection is
  // gone.
  bool TakeIdleLines();
  // Sends one command and collects its output: 0 success, else failure
  // (exitCode_ says whether the command failed or the connection).
  int RunCommand(const engine::CommandLine& line);
  std::string CommandTextFor(const std::string& text);
  // The target's output and, when it `finished`, its exit code: one text
  // on the console.
  void ShowResults(const std::string& file, bool finished);
  // The read limit has passed without a line during a command: the
  // console says so and the connection ends; its target goes back.
  void GiveUpSilentClient();

  void ShowAndLog(const std::string& text);
  // Waits for a wake-up, until `deadline` when one is given.
  void WaitForWake(const Clock::time_point* deadline = nullptr);

  BuildServer& server_;
  const int id_;
  std::atomic<int> phase_{kWaitingForClient};
  int readLimitMs_ = kNoReadLimit;
  std::string clientName_;
  std::string clientNumber_;
  std::string peerAddress_;

  // The output of the target in flight.
  engine::OutputSpool collectedStdout_;
  engine::OutputSpool collectedStderr_;
  int exitCode_ = 0;
  bool exitReceived_ = false;
  // 23105 is shown once per wait, not on every pass.
  bool waitShown_ = false;

  std::mutex mutex_;
  std::condition_variable wakeChanged_;
  bool woken_ = false;
  std::deque<int> events_;

  exec::WorkerThread thread_;
};

}  // namespace distributed
