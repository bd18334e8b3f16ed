// One client of a build server: greets it, opens its build phase, and then
// builds the targets the server's scheduler hands it, one at a time, by
// sending their command lines and collecting what comes back.
//
// A state machine on the server's event loop: every call and every callback
// is on the loop's thread, and nothing waits. The connection moves on when
// a line comes, the stream ends, a timer expires or the hand-out changes.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "distributed/message_reader.h"
#include "engine/output_spool.h"
#include "engine/target_worker.h"
#include "platform/line_stream.h"
#include "platform/loop_timer.h"

namespace distributed {

class BuildServer;

class ServerConnection : public MessageReader, public engine::TracedWorker {
 public:
  // `readLimitMs` bounds each wait for a client's line (kNoReadLimit: none).
  ServerConnection(BuildServer& server, int id, std::unique_ptr<platform::LineStream> stream,
                   platform::EventLoop& loop, int readLimitMs);
  ~ServerConnection() override;

  int Id() const { return id_; }
  // Starts reading and waits for the client's greeting.
  void Start();
  // Ends the build phase: closed when the build is done, cancelled when it
  // is stopped or the window asks. Before the phase, the connection ends.
  void ClosePhase();
  void CancelPhase();
  // The hand-out has changed: a connection waiting for a target asks again.
  void HandOutChanged();
  // The stream is closed and no target is held.
  bool Ended() const { return step_ == Step::Ended; }

 private:
  enum class Step {
    Greeting,      // waits for BuildClientConnect
    Opening,       // BuildPhaseOpen sent, waits for the reply
    Idle,          // in the build phase, between targets
    Sending,       // CommandExec sent, waits for the reply
    Running,       // collects the command's output until CommandExit
    Cancelling,    // BuildPhaseCancel sent, waits for the reply
    Closing,       // BuildPhaseClose sent, waits for the reply
    Draining,      // the last message goes out, then the stream closes
    Ended,
  };

  void OnLine(std::string_view line);
  void OnClosed();
  // The silence timer during a command: names or gives up the client, or
  // waits for the rest of the time since its last line.
  void SilenceCheck();
  void Greeted(std::string_view line);
  void OpeningReplied(std::string_view line);
  void ExecReplied(std::string_view line);
  void CommandLine(std::string_view line);
  void AskForTarget();
  void StartTarget(engine::TargetNode& target);
  void SendNextCommand();
  // The command line in flight has ended with `result`: 0 success, else a
  // failure (exitReceived_ says whether the command failed or the connection).
  void CommandDone(int result);
  void EndTarget(int result);
  // The target's output and, when it `finished`, its exit code: one text
  // on the console.
  void ShowResults(const std::string& file, bool finished);
  std::string CommandTextFor(const std::string& text) const;

  // Between the opened phase and its close or cancel.
  bool InPhase() const;
  // How long the answer to a close or cancel is waited for.
  int LastExchangeLimitMs() const;
  void SendBuildPhaseClose();
  void Disconnect();
  // The stream is gone: a target still held goes back to the scheduler.
  void Ended(bool lost);
  void Send(std::string line);
  // Waits for the client's next line for the read limit (or `limitMs`).
  void ExpectLine(int limitMs);
  void ShowAndLog(const std::string& text);

  BuildServer& server_;
  const int id_;
  std::unique_ptr<platform::LineStream> stream_;
  platform::LoopTimer timer_;
  const int readLimitMs_;
  Step step_ = Step::Greeting;
  // The client's last line during a command: a client silent for half the
  // read limit is named, for all of it given up.
  std::chrono::steady_clock::time_point heard_;
  bool silenceNamed_ = false;
  std::string clientName_;
  std::string clientNumber_;
  std::string peerAddress_;

  // The target in flight, its command line and that line's start.
  engine::TargetNode* target_ = nullptr;
  std::size_t line_ = 0;
  std::uint64_t commandStart_ = 0;
  engine::OutputSpool collectedStdout_;
  engine::OutputSpool collectedStderr_;
  int exitCode_ = 0;
  bool exitReceived_ = false;
  // 23105 is shown once per wait, not on every pass.
  bool waitShown_ = false;
};

}  // namespace distributed
