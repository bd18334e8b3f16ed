// The resident build client: listens for server announcements, connects,
// accepts or refuses a server's build phase, runs the commands it receives
// and streams their output and exit codes back. The same class is the
// in-process client of a server run (local mode), which connects straight
// to its own server.
//
// One client thread does all protocol work. It never polls: it waits for
// one wake-up, given by socket activity, a datagram, a posted event, a
// settings or pause change, or the running command's output or end.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "distributed/client_view.h"
#include "distributed/log_file.h"
#include "distributed/protocol_peer.h"
#include "distributed/settings_file.h"
#include "exec/command_runner.h"
#include "exec/worker_thread.h"
#include "platform/tcp_socket.h"
#include "platform/udp_socket.h"

namespace distributed {

class BuildClient : public ProtocolPeer {
 public:
  enum Event : int { kEventCancel = 9, kEventPassiveConnect = 12 };
  enum ClientState : int { kListening = 0, kConnected = 1, kBuildPhase = 2 };
  static constexpr int kReplyLimitMs = 100000;
  // How long a pass that could not open its listening port, or a local
  // client whose last connection ended before a build phase, waits before
  // it tries again (unless woken earlier).
  static constexpr int kRetryMs = 1000;
  // The exit code reported for a command that could not be started.
  static constexpr int kStartFailureExitCode = 1;

  BuildClient();
  ~BuildClient();

  // Before StartClientThread. The view may be null (nothing is shown).
  void SetView(ClientView* view) { view_ = view; }
  // The runner variant and the processor clock the command line chose.
  void SetRunner(bool useDirectRunner, double processorClockMhz);
  // The in-process client of a server run: connects to "localhost" at
  // `serverPort` whenever it is listening, and accepts its own name.
  void SetLocalMode(int serverPort);

  // 1 applied; 0 refused (a connection is open) and nothing changes. Opens
  // or closes the log as the settings say.
  int ApplySettings(const ClientSettings& settings);
  // The values last applied, for saving at the end of the run.
  ClientSettings AppliedSettings() const;

  bool StartClientThread();
  // Cancels an open build phase (event 9) and ends the client thread.
  void StopClientThread();
  // Any thread: 9 cancels the build phase, 12 connects to the server
  // PassiveConnect named; other numbers are taken and ignored.
  void PostEvent(int event);
  // Connects to `host` at `port` (read as C atol reads it), without
  // listening for announcements from then on.
  void PassiveConnect(const std::string& host, const std::string& port);
  // No more listening for announcements: only PassiveConnect connects.
  void SetPassiveMode();
  // Takes effect only while listening.
  void SetListeningPaused(bool paused);
  // Cooperative pause: the client thread stops at the top of its loop,
  // never inside a step; PauseClientThread returns at once.
  void PauseClientThread() { thread_.Pause(); }
  void ResumeClientThread() { thread_.Resume(); }

  int State() const { return state_.load(); }
  std::string MachineName() const;
  // The own host's address in dotted form, as the last connection to a
  // server left from ("" before the first).
  std::string OwnAddress() const;
  // Waits up to `timeoutMs` until the client listens for announcements,
  // having started listening at least `openings` times since its thread
  // started, and returns the UDP port it listens on; 0 when it does not.
  int WaitListening(int timeoutMs, int openings = 1);

 private:
  // What one server-line step did.
  enum class StepResult { Idle, Handled, CommandEnded, Gone };

  struct Command {
    std::string line;
    int inlineKind = 0;
    std::string inlineName;
    std::string inlineContent;
  };

  void RegisterMessages();
  void ClientThread();
  // The steps of one pass; true when they did something (the pass then
  // runs again without waiting). `retryMs` is set when the next wait must
  // end by itself.
  bool ListeningStep(int& retryMs);
  bool ConnectStep();
  bool OpenPhaseStep();
  bool BuildPhaseStep();
  StepResult ServerLineStep();
  int WaitServerLine(std::string& line);
  bool TakeEvent(int& event);
  bool HandleOneEvent();
  void HandleCancel();
  void HandlePassiveConnect();
  // Relays the running command's output until it ends (then CommandExit)
  // or something ends the relaying.
  void RelayCommand();
  void SendOutput(bool ended);
  void StartCommand();
  void RefuseBuiltin();
  bool AcceptsDatagram(const platform::Datagram& datagram);
  bool GreetServer(const std::string& greeting);

  // Starts connecting to the stored server.
  void OpenConnection();
  void CloseConnection();
  void NoteOwnAddress();
  void StopListening();

  void Show(const std::string& text);
  void Log(const std::string& text);
  void LogWithoutServer(const std::string& text);
  void ShowAndLog(const std::string& text);

  void Wake();
  // Waits for a wake-up, or `timeoutMs` when not negative.
  void WaitForWake(int timeoutMs);

  ClientView* view_ = nullptr;
  bool useDirectRunner_ = true;
  double clockMhz_ = 333;
  bool localMode_ = false;
  int localPort_ = 0;
  // The local client's pacing of its connection attempts.
  bool localAttempted_ = false;
  bool phaseReached_ = false;
  bool retryDue_ = false;

  mutable std::mutex settingsMutex_;
  ClientSettings settings_;
  ClientLog log_;

  std::atomic<int> state_{kListening};
  std::atomic<bool> quit_{false};
  std::atomic<bool> passive_{false};
  std::atomic<bool> listeningPaused_{false};
  std::atomic<int> listeningPort_{0};
  int listenOpenings_ = 0;  // under eventMutex_
  bool portTakenShown_ = false;
  std::atomic<bool> settingsChanged_{false};
  std::atomic<platform::Ipv4Address> ownAddress_{0};

  // What the last accepted announcement (or PassiveConnect) said.
  std::string serverName_;
  std::string serverAddress_;  // dotted, or the passive host text
  int serverPort_ = 0;
  int announcementFlag_ = 0;
  int serverCodePage_ = 0;   // 0: not told, its texts are taken as they are
  std::string passiveHost_;  // under eventMutex_
  int passivePort_ = 0;

  Command command_;
  bool commandStarted_ = false;
  bool commandFailed_ = false;
  bool relaying_ = false;
  std::string pendingOutput_[2];  // per channel: held back until more comes

  platform::UdpSocket udp_;
  std::unique_ptr<exec::CommandRunner> runner_;

  // The wake-up and the event queue.
  std::mutex eventMutex_;
  std::condition_variable wakeChanged_;
  bool woken_ = false;
  std::deque<int> events_;
  exec::CommandRunner* wakeRunner_ = nullptr;  // the runner to wake, under eventMutex_

  exec::WorkerThread thread_;
};

}  // namespace distributed
