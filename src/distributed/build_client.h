// The resident build client: listens for server announcements, connects,
// accepts or refuses a server's build phase, runs the commands it receives
// and streams their output and exit codes back. The same class is the
// in-process client of a server run (local mode), which connects straight
// to its own server.
//
// A state machine on an event loop of its own: the announcements' port, the
// connection, the timers and the requests of other threads (posted) all
// call back on the loop's thread. Commands run through a CommandWatch, which
// tells the loop of their output and end.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "distributed/client_view.h"
#include "distributed/command_watch.h"
#include "distributed/log_file.h"
#include "distributed/message_reader.h"
#include "distributed/settings_file.h"
#include "exec/worker_thread.h"
#include "platform/datagram_port.h"
#include "platform/event_loop.h"
#include "platform/loop_timer.h"
#include "platform/stream_connection.h"

namespace distributed {

class BuildClient : public MessageReader {
 public:
  enum Event : int { kEventCancel = 9, kEventPassiveConnect = 12 };
  enum ClientState : int { kListening = 0, kConnected = 1, kBuildPhase = 2 };
  // How long the client waits for a server's answer, and for a connect.
  static constexpr int kReplyLimitMs = kClientReadLimitMs;
  // How long a pass that could not open its listening port, or a local
  // client whose last connection ended before a build phase, waits before
  // it tries again (unless something changes earlier).
  static constexpr int kRetryMs = 1000;

  BuildClient();
  ~BuildClient() override;

  // Before StartClientThread. The view may be null (nothing is shown).
  void SetView(ClientView* view) { view_ = view; }
  // The runner variant and the processor clock the command line chose.
  void SetRunner(bool useDirectRunner, double processorClockMhz);
  // The in-process client of a server run: connects to 127.0.0.1 at
  // `serverPort` whenever it is listening, and accepts its own name.
  void SetLocalMode(int serverPort);

  // 1 applied; 0 refused (a connection is open) and nothing changes. Opens
  // or closes the log as the settings say.
  int ApplySettings(const ClientSettings& settings);
  // The values last applied, for saving at the end of the run.
  ClientSettings AppliedSettings() const;

  bool StartClientThread();
  // Cancels an open build phase (event 9) and ends the client's thread.
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
  // The client's thread stops between two callbacks until resumed (while
  // the settings dialog runs); PauseClientThread returns at once.
  void PauseClientThread();
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
  // What the client waits for from the server, besides its lines.
  enum class Waiting {
    Nothing,        // listening, or in the build phase
    Connect,        // the connect's outcome
    GreetingReply,  // the answer to BuildClientConnect
    PhaseOpen,      // BuildPhaseOpen
    RefusalEnd,     // the server's close after a refused command
    CancelReply,    // the answer to BuildPhaseClientCancel
  };

  struct Command {
    std::string line;
    int inlineKind = 0;
    std::string inlineName;
    std::string inlineContent;
  };

  void RegisterMessages();
  void Begin();
  // Listens, connects or waits, as the state and the settings say.
  void Listen();
  void OpenUdpPort();
  void Datagram(std::string_view bytes, platform::Ipv4Address sender);
  bool AcceptsDatagram(std::string_view bytes, platform::Ipv4Address sender);
  // Starts connecting to the stored server; `passive` chooses the texts.
  void Connect(platform::Ipv4Address address, bool passive);
  void Connected(bool connected);
  void Greeted(ReplyOutcome reply);
  void PhaseOpened(std::string_view line);
  void ServerLine(std::string_view line);
  void ConnectionLost();
  void StartCommand();
  void CommandOutput(std::uint64_t command);
  void CommandEnded(std::uint64_t command, int exitCode);
  // Sends what the runner queued; at the end, also what was held back.
  void SendOutput(bool ended);
  // Ends the relaying of the running command without an exit code.
  void BreakOffCommand();
  void RefuseBuiltin();
  void HandleCancel();
  void CancelDone();
  void HandlePassiveConnect();
  void Quit();
  void Finish();
  // Waits for the server for the reply limit.
  void Expect(Waiting waiting);
  void TimedOut();

  void Send(std::string line);
  void NoteOwnAddress();
  // The last message still goes out before the connection closes.
  void CloseConnection();
  void StopListening();

  void Show(const std::string& text);
  void Log(const std::string& text);
  void LogWithoutServer(const std::string& text);
  void ShowAndLog(const std::string& text);

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
  std::atomic<bool> passive_{false};
  std::atomic<bool> listeningPaused_{false};
  std::atomic<bool> settingsChanged_{false};
  std::atomic<platform::Ipv4Address> ownAddress_{0};
  bool begun_ = false;  // the loop's thread has started the client
  bool quit_ = false;
  bool portTakenShown_ = false;

  // For WaitListening.
  std::mutex listeningMutex_;
  std::condition_variable listeningChanged_;
  int listeningPort_ = 0;
  int listenOpenings_ = 0;

  // What the last accepted announcement (or PassiveConnect) said.
  std::string serverName_;
  std::string serverAddress_;  // dotted, or the passive host text
  int serverPort_ = 0;
  int announcementFlag_ = 0;
  int serverCodePage_ = 0;   // 0: not told, its texts are taken as they are
  std::mutex passiveMutex_;
  std::string passiveHost_;  // under passiveMutex_
  int passivePort_ = 0;
  platform::Ipv4Address passiveAddress_ = 0;

  Waiting waiting_ = Waiting::Nothing;
  bool passiveConnect_ = false;  // the connection in progress is a passive one
  Command command_;
  bool relaying_ = false;
  bool outputHeld_ = false;  // the watch reads on once the queue has drained
  std::uint64_t commandSerial_ = 0;
  std::string pendingOutput_[2];  // per channel: held back until more comes

  platform::EventLoop loop_;
  platform::DatagramPort udp_{loop_};
  std::unique_ptr<platform::StreamConnection> connection_;
  // A closed connection whose last message is still going out.
  std::unique_ptr<platform::StreamConnection> closing_;
  platform::LoopTimer timer_{loop_};
  platform::LoopTimer retryTimer_{loop_};
  platform::LoopTimer closingTimer_{loop_};
  std::unique_ptr<CommandWatch> watch_;
  exec::WorkerThread thread_;
};

}  // namespace distributed
