#include "distributed/build_client.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "diag/message_catalogue.h"
#include "distributed/peer_allow_list.h"
#include "distributed/peer_code_page.h"
#include "distributed/protocol_messages.h"
#include "distributed/protocol_text.h"
#include "engine/inline_file_writer.h"
#include "exec/batch_runner.h"
#include "exec/builtin_commands.h"
#include "exec/direct_runner.h"
#include "platform/line_ends.h"
#include "platform/socket_calls.h"

namespace distributed {
namespace {

// The own server of a local client, reached without a lookup.
constexpr const char* kLocalHost = "127.0.0.1";
constexpr platform::Ipv4Address kLoopback = 0x0100007Fu;  // 127.0.0.1 in network order
// Output waits in the runner while this much is queued for the server.
constexpr std::size_t kSendBound = 256 << 10;
constexpr const char* kLogEndLine = "-----------------------";

std::string Message(unsigned number) { return diag::LoadMessage(number); }

std::string Indented(const std::string& commandLine) { return "  " + commandLine; }

}  // namespace

BuildClient::BuildClient() { RegisterMessages(); }

BuildClient::~BuildClient() { StopClientThread(); }

void BuildClient::RegisterMessages() {
  RegisterMessage(kMessageBuildConnection, [this](const std::vector<std::string>& arguments) {
    serverPort_ = ArgumentNumber(arguments[1]);
    announcementFlag_ = ArgumentNumber(arguments[2]);
    serverName_ = arguments[3];
  });
  RegisterMessage(kMessageBuildPhaseOpen, [this](const std::vector<std::string>& arguments) {
    serverName_ = arguments[0];
  });
  RegisterMessage(kMessageBuildPhaseClose, [](const std::vector<std::string>&) {});
  RegisterMessage(kMessageBuildPhaseCancel, [](const std::vector<std::string>&) {});
  RegisterMessage(kMessageCommandExec, [this](const std::vector<std::string>& arguments) {
    CommandExecArguments read = ReadCommandExec(arguments);
    command_.line = TextFromServer(read.commandLine, serverCodePage_);
    command_.inlineKind = read.inlineKind;
    command_.inlineName = TextFromServer(read.inlineName, serverCodePage_);
    command_.inlineContent = TextFromServer(read.content, serverCodePage_);
  });
}

void BuildClient::SetRunner(bool useDirectRunner, double processorClockMhz) {
  useDirectRunner_ = useDirectRunner;
  clockMhz_ = processorClockMhz;
}

void BuildClient::SetLocalMode(int serverPort) {
  localMode_ = true;
  localPort_ = serverPort;
}

int BuildClient::ApplySettings(const ClientSettings& settings) {
  if (state_ != kListening) return 0;
  {
    std::lock_guard<std::mutex> hold(settingsMutex_);
    settings_ = settings;
  }
  log_.SetFileName(settings.saveLogFile);
  log_.SetEnabled(settings.saveLog);
  if (settings.saveLog) {
    log_.Open();
  } else {
    log_.Close();
  }
  // A new port applies at once while listening.
  settingsChanged_ = true;
  loop_.Post([this] { Listen(); });
  return 1;
}

ClientSettings BuildClient::AppliedSettings() const {
  std::lock_guard<std::mutex> hold(settingsMutex_);
  return settings_;
}

std::string BuildClient::MachineName() const {
  std::lock_guard<std::mutex> hold(settingsMutex_);
  return MachineNameOrComputerName(settings_.machineName);
}

std::string BuildClient::OwnAddress() const {
  const platform::Ipv4Address address = ownAddress_.load();
  return address == 0 ? std::string() : platform::DottedAddress(address);
}

bool BuildClient::StartClientThread() {
  if (thread_.IsAlive()) return false;
  quit_ = false;
  {
    std::lock_guard<std::mutex> hold(listeningMutex_);
    listenOpenings_ = 0;
  }
  std::unique_ptr<exec::CommandRunner> runner;
  if (useDirectRunner_) {
    runner = std::make_unique<exec::DirectRunner>();
  } else {
    runner = std::make_unique<exec::BatchRunner>();
  }
  watch_ = std::make_unique<CommandWatch>(
      loop_, std::move(runner),
      CommandWatch::Events{.output = [this](std::uint64_t command) { CommandOutput(command); },
                           .ended = [this](std::uint64_t command, int exitCode) { CommandEnded(command, exitCode); }});
  watch_->Start();
  loop_.Post([this] { Begin(); });
  return thread_.Begin([this] { loop_.Run(); });
}

void BuildClient::StopClientThread() {
  if (!thread_.IsAlive()) return;
  loop_.Post([this] { Quit(); });
  thread_.Resume();
  thread_.Join();
  watch_.reset();
}

void BuildClient::PauseClientThread() {
  thread_.Pause();
  loop_.Post([this] { thread_.PausePoint(); });
}

void BuildClient::PostEvent(int event) {
  loop_.Post([this, event] {
    if (event == kEventCancel) HandleCancel();
    if (event == kEventPassiveConnect) HandlePassiveConnect();
  });
}

void BuildClient::PassiveConnect(const std::string& host, const std::string& port) {
  // A name is looked up here, on the caller's thread, never on the loop.
  platform::Ipv4Address address = 0;
  if (!platform::socket_calls::ParseDotted(host, address)) address = platform::socket_calls::LookUp(host);
  {
    std::lock_guard<std::mutex> hold(passiveMutex_);
    passiveHost_ = host;
    passivePort_ = static_cast<int>(std::atol(port.c_str()));
    passiveAddress_ = address;
  }
  PostEvent(kEventPassiveConnect);
}

void BuildClient::SetPassiveMode() {
  passive_ = true;
  loop_.Post([this] { Listen(); });
}

void BuildClient::SetListeningPaused(bool paused) {
  if (state_ != kListening) return;
  listeningPaused_ = paused;
  loop_.Post([this] { Listen(); });
}

int BuildClient::WaitListening(int timeoutMs, int openings) {
  std::unique_lock<std::mutex> hold(listeningMutex_);
  const auto listening = [&] { return listeningPort_ != 0 && listenOpenings_ >= openings; };
  return listeningChanged_.wait_for(hold, std::chrono::milliseconds(timeoutMs), listening) ? listeningPort_ : 0;
}

void BuildClient::Begin() {
  begun_ = true;
  log_.Open();
  LogWithoutServer(Message(diag::msg::kResidentStarted));
  Listen();
}

void BuildClient::Listen() {
  if (!begun_ || quit_ || state_ != kListening) return;
  if (localMode_) {
    // A connection that ended before its build phase opened (the server is
    // gone, or has nothing for this client) is not tried again at once.
    if (localAttempted_ && !phaseReached_ && !retryDue_) {
      retryDue_ = true;
      retryTimer_.Start(kRetryMs, [this] { Listen(); });
      return;
    }
    localAttempted_ = true;
    retryDue_ = false;
    phaseReached_ = false;
    serverAddress_ = kLocalHost;
    serverCodePage_ = 0;
    serverPort_ = localPort_;
    state_ = kConnected;
    Connect(kLoopback, false);
    return;
  }
  if (passive_ || settingsChanged_.exchange(false) || listeningPaused_) StopListening();
  if (!passive_ && !listeningPaused_ && !udp_.IsOpen()) OpenUdpPort();
}

void BuildClient::OpenUdpPort() {
  const int port = AppliedSettings().portNo;
  udp_.Open(0, port, [this](std::string_view bytes, platform::Ipv4Address sender, int) { Datagram(bytes, sender); });
  LogWithoutServer(Message(diag::msg::kWaitingForRequests));
  if (!udp_.IsOpen()) {
    // The port is taken: try again later, and say so once.
    if (!portTakenShown_) {
      const std::string text = diag::FormatCatalogMessage(diag::msg::kAnnouncePortTaken, port);
      Show(text);
      LogWithoutServer(text);
    }
    portTakenShown_ = true;
    retryTimer_.Start(kRetryMs, [this] { Listen(); });
    return;
  }
  portTakenShown_ = false;
  std::lock_guard<std::mutex> hold(listeningMutex_);
  listeningPort_ = udp_.Port();
  ++listenOpenings_;
  listeningChanged_.notify_all();
}

void BuildClient::Datagram(std::string_view bytes, platform::Ipv4Address sender) {
  if (state_ != kListening || quit_) return;
  if (!AcceptsDatagram(bytes, sender)) {
    // Listening opens the port afresh, after this datagram's callback.
    loop_.Post([this] { Listen(); });
    return;
  }
  LogWithoutServer(Message(diag::msg::kRequestArrivedIdentifying));
  platform::Ipv4Address address = 0;
  platform::socket_calls::ParseDotted(serverAddress_, address);
  Connect(address, false);
}

bool BuildClient::AcceptsDatagram(std::string_view bytes, platform::Ipv4Address sender) {
  std::string text;
  if (!DatagramLine(bytes, text)) return false;
  // An announcement that is not taken leaves the last server's name and
  // address as they were: every later line names the server it is about.
  std::string name = serverName_;
  std::string address = serverAddress_;
  const int port = serverPort_;
  const int codePage = serverCodePage_;
  state_ = kConnected;
  serverAddress_ = platform::DottedAddress(sender);
  serverCodePage_ = DatagramCodePage(bytes);
  StopListening();
  std::int32_t value = 0;
  const int parsed = ParseMessage(text, kMessageBuildConnection, value);
  const ClientSettings settings = AppliedSettings();
  bool accepted = parsed == kParseAccepted && value == 0 && announcementFlag_ <= kAnnounceVersion &&
                  (localMode_ || serverName_ != MachineNameOrComputerName(settings.machineName));
  if (accepted && !IsPeerAllowed(settings.allowServers, serverAddress_, serverName_)) {
    LogWithoutServer(diag::FormatCatalogMessage(diag::msg::kServerIgnored, serverName_, serverAddress_));
    accepted = false;
  }
  if (!accepted) {
    state_ = kListening;
    serverName_ = std::move(name);
    serverAddress_ = std::move(address);
    serverPort_ = port;
    serverCodePage_ = codePage;
  }
  return accepted;
}

void BuildClient::Connect(platform::Ipv4Address address, bool passive) {
  CloseConnection();
  passiveConnect_ = passive;
  connection_ = std::make_unique<platform::StreamConnection>(loop_);
  connection_->SetEvents({.connected = [this](bool connected) { Connected(connected); },
                          .line =
                              [this](std::string_view line) {
                                switch (waiting_) {
                                  case Waiting::GreetingReply: Greeted(ClassifyReply(line)); break;
                                  case Waiting::PhaseOpen: PhaseOpened(line); break;
                                  case Waiting::CancelReply: CancelDone(); break;
                                  case Waiting::Nothing:
                                    if (state_ == kBuildPhase) ServerLine(line);
                                    break;
                                  default: break;  // dropped
                                }
                              },
                          .closed = [this] { ConnectionLost(); },
                          .drained =
                              [this] {
                                if (outputHeld_) {
                                  outputHeld_ = false;
                                  watch_->Taken();
                                }
                              }});
  LogWithoutServer(passive ? "Connecting" : Message(diag::msg::kConnectingToServer));
  Expect(Waiting::Connect);
  connection_->Connect(address, serverPort_);
}

void BuildClient::Connected(bool connected) {
  if (!connected) {
    TimedOut();
    return;
  }
  NoteOwnAddress();
  if (passiveConnect_) LogWithoutServer("Connect Done");
  const std::string greeting = FormatBuildClientConnect(MachineName(), passiveConnect_ ? 255 : static_cast<int>(clockMhz_));
  if (passiveConnect_) {
    LogWithoutServer("Send");
    LogWithoutServer(greeting);
  }
  Send(greeting);
  Expect(Waiting::GreetingReply);
}

// No answer at all lets the client go on: the lost connection shows as the
// server's failure to talk.
void BuildClient::Greeted(ReplyOutcome reply) {
  const bool refused = reply == ReplyOutcome::Garbled || reply == ReplyOutcome::Error || reply == ReplyOutcome::Unexpected;
  if (refused) {
    // The server says why it sends the client away (its allow-list).
    if (reply == ReplyOutcome::Error) ShowAndLog(ErrorText());
    state_ = kListening;
    CloseConnection();
    if (passiveConnect_) {
      LogWithoutServer("Send Error CLOSE.");
    } else {
      LogWithoutServer(Message(diag::msg::kServerSendFailed));
      LogWithoutServer(Message(diag::msg::kServerDisconnected));
      Show(Message(diag::msg::kRequestArrived));
    }
    Listen();
    return;
  }
  LogWithoutServer(passiveConnect_ ? "Send done." : Message(diag::msg::kSentToServer));
  if (!passiveConnect_) Show(Message(diag::msg::kRequestArrived));
  if (reply == ReplyOutcome::NoReply) {
    LogWithoutServer(Message(diag::msg::kServerTalkFailed));
    state_ = kListening;
    CloseConnection();
    Listen();
    return;
  }
  Expect(Waiting::PhaseOpen);
}

void BuildClient::PhaseOpened(std::string_view line) {
  timer_.Cancel();
  waiting_ = Waiting::Nothing;
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageBuildPhaseOpen, value) != kParseAccepted || value != 0) {
    LogWithoutServer(Message(diag::msg::kServerTalkFailed2));
    state_ = kListening;
    CloseConnection();
    Listen();
    return;
  }
  const ClientSettings settings = AppliedSettings();
  bool refused = false;
  // The own server of a local client is always served; a server reached
  // by the passive connect had no announcement to ignore.
  if (!localMode_ && !IsPeerAllowed(settings.allowServers, serverAddress_, serverName_)) {
    Log(diag::FormatCatalogMessage(diag::msg::kServerNotAllowed, serverName_, serverAddress_));
    refused = true;
  } else {
    Log(Message(diag::msg::kBuildStartRequested));
    if (view_) view_->BuildPhaseRequested(serverName_, serverAddress_);
    refused = settings.acceptRequest && view_ && !view_->AskAccept(serverName_, serverAddress_);
    if (refused) {
      Show(Message(diag::msg::kConnectionDeclined));
      Log(Message(diag::msg::kUserDeclinedConnection));
    }
  }
  if (refused) {
    Send(Message(diag::msg::kClientRefusedError));
    CloseConnection();
    state_ = kListening;
  } else {
    // The state first: once the server has the answer, the client is in
    // its build phase for every thread that asks.
    state_ = kBuildPhase;
    phaseReached_ = true;
    Send(FormatOk());
    Show(Message(diag::msg::kServerConnected));
  }
  Log(Message(diag::msg::kBuildStartAccepted));
  Listen();
}

void BuildClient::ServerLine(std::string_view line) {
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageNone, value) == kParseGarbled) {
    Send(std::string(kGarbledReply));
    return;
  }
  switch (LastKind()) {
    case kMessageBuildPhaseClose:
      Send(FormatOk());
      BreakOffCommand();
      ShowAndLog(Message(diag::msg::kClosingBuildPhase));
      CloseConnection();
      state_ = kListening;
      Listen();
      return;
    case kMessageBuildPhaseCancel:
      Send(FormatOk());
      BreakOffCommand();
      ShowAndLog(Message(diag::msg::kCancelledByServer));
      return;
    case kMessageCommandExec:
      // A second command while one runs breaks the protocol; it is left
      // unanswered and the running one goes on.
      if (relaying_) return;
      if (AppliedSettings().noExecShellCommand && exec::IsBuiltinCommandLine(command_.line)) {
        RefuseBuiltin();
        return;
      }
      Send(FormatOk());
      StartCommand();
      ShowAndLog(Message(diag::msg::kRunningCommand));
      ShowAndLog(Indented(command_.line));
      return;
    default: return;
  }
}

void BuildClient::ConnectionLost() {
  switch (waiting_) {
    case Waiting::Connect: TimedOut(); return;
    case Waiting::GreetingReply: Greeted(ReplyOutcome::NoReply); return;
    case Waiting::Nothing:
      if (state_ != kBuildPhase) return;
      state_ = kListening;
      // The server is gone with its phase: the command it was waiting for
      // ends too, so that the next server finds nothing of it (no output,
      // no exit code, no busy runner).
      BreakOffCommand();
      ShowAndLog(Message(diag::msg::kDisconnectedByServer));
      if (view_) view_->ConnectionCut();
      CloseConnection();
      Listen();
      return;
    default: TimedOut(); return;
  }
}

void BuildClient::TimedOut() {
  const Waiting was = std::exchange(waiting_, Waiting::Nothing);
  switch (was) {
    case Waiting::Connect:
      state_ = kListening;
      LogWithoutServer(passiveConnect_ ? "Connecting Error CLOSE." : Message(diag::msg::kServerConnectFailed));
      CloseConnection();
      if (!passiveConnect_) Show(Message(diag::msg::kRequestArrived));
      Listen();
      return;
    case Waiting::GreetingReply:
      CloseConnection();
      Greeted(ReplyOutcome::NoReply);
      return;
    case Waiting::PhaseOpen:
      LogWithoutServer(Message(diag::msg::kServerTalkFailed));
      state_ = kListening;
      CloseConnection();
      Listen();
      return;
    case Waiting::RefusalEnd:
      Log(Message(diag::msg::kShellCommandRefused));
      Log(Indented(command_.line));
      CloseConnection();
      state_ = kListening;
      Listen();
      return;
    case Waiting::CancelReply: CancelDone(); return;
    case Waiting::Nothing: return;
  }
}

void BuildClient::Expect(Waiting waiting) {
  waiting_ = waiting;
  timer_.Start(kReplyLimitMs, [this] { TimedOut(); });
}

void BuildClient::RefuseBuiltin() {
  Send(Message(diag::msg::kShellCommandError));
  Show(Message(diag::msg::kShellCommandRefused));
  Show(Indented(command_.line));
  // The server closes the connection on the refusal; what it still sends
  // is dropped.
  Expect(Waiting::RefusalEnd);
}

void BuildClient::StartCommand() {
  engine::CommandLine line;
  line.text = command_.line;
  if (command_.inlineKind == 1) line.inlineKind = engine::InlineKind::Named;
  if (command_.inlineKind == 2) line.inlineKind = engine::InlineKind::Temporary;
  line.inlineFileName = command_.inlineName;
  // Written in text mode: line ends that arrived as the platform's own are
  // not doubled. A temporary file goes to the current folder, as peers
  // expect; a file that cannot be written leaves the command to fail.
  line.inlineContent = platform::FromTextLineEnds(command_.inlineContent);
  std::string failedName;
  engine::WriteInlineFile(line, failedName, "");
  for (std::string& pending : pendingOutput_) pending.clear();
  relaying_ = true;
  commandSerial_ = watch_->Run(std::move(line.text));
}

void BuildClient::CommandOutput(std::uint64_t command) {
  if (!relaying_ || command != commandSerial_ || !connection_) {
    watch_->Taken();
    return;
  }
  SendOutput(false);
  // The runner reads on once the server has taken most of it.
  if (connection_->QueuedBytes() > kSendBound) {
    outputHeld_ = true;
  } else {
    watch_->Taken();
  }
}

void BuildClient::CommandEnded(std::uint64_t command, int exitCode) {
  if (!relaying_ || command != commandSerial_) return;
  relaying_ = false;
  outputHeld_ = false;
  SendOutput(true);
  Send(FormatCommandExit(exitCode));
  ShowAndLog(Message(diag::msg::kCommandEnded));
}

// While the command runs, the end of a piece that could not travel plain
// (a final CR, final backslashes), or a character not yet whole that is to
// be converted for the server, waits for what follows it.
void BuildClient::SendOutput(bool ended) {
  const struct {
    int channel;
    unsigned notice;
  } streams[] = {{kChannelStdout, diag::msg::kFromStdout}, {kChannelStderr, diag::msg::kFromStderr}};
  exec::CommandRunner& runner = watch_->Runner();
  std::string text;
  std::string converted;
  for (const auto& stream : streams) {
    const bool empty = stream.channel == kChannelStdout ? runner.TakeStdout(text) : runner.TakeStderr(text);
    std::string& pending = pendingOutput_[stream.channel];
    if (!empty) {
      log_.Output(text);
      Log(Message(stream.notice));
      // Mostly nothing waits: the piece is taken as it is, not copied.
      if (pending.empty()) {
        pending.swap(text);
      } else {
        pending += text;
      }
    }
    const size_t keep =
        ended ? 0 : std::max(OutputToKeepBack(pending), UnfinishedCharacterBytes(pending, serverCodePage_));
    if (pending.size() <= keep) continue;
    const std::string_view piece = std::string_view(pending).substr(0, pending.size() - keep);
    Send(FormatCommandOut(stream.channel, TextForServer(piece, serverCodePage_, converted)));
    pending.erase(0, pending.size() - keep);
  }
}

void BuildClient::BreakOffCommand() {
  relaying_ = false;
  outputHeld_ = false;
  watch_->Kill();
}

void BuildClient::HandleCancel() {
  if (waiting_ == Waiting::CancelReply) return;
  Log(Message(diag::msg::kUserCancellingBuild));
  if (state_ == kBuildPhase && connection_) {
    // The phase ends here, and with it the command it runs.
    BreakOffCommand();
    Send(FormatBuildPhaseClientCancel());
    Expect(Waiting::CancelReply);
    return;
  }
  CancelDone();
}

void BuildClient::CancelDone() {
  CloseConnection();
  state_ = kListening;
  Log(Message(diag::msg::kBuildCancelled));
  if (quit_) {
    Finish();
  } else {
    Listen();
  }
}

void BuildClient::HandlePassiveConnect() {
  LogWithoutServer("Debug PassiveMode OPEN");
  passive_ = true;
  state_ = kConnected;
  StopListening();
  platform::Ipv4Address address = 0;
  {
    std::lock_guard<std::mutex> hold(passiveMutex_);
    serverName_ = passiveHost_;
    serverAddress_ = passiveHost_;
    serverPort_ = passivePort_;
    address = passiveAddress_;
  }
  serverCodePage_ = 0;
  Connect(address, true);
}

void BuildClient::Quit() {
  quit_ = true;
  // A connection still open is cancelled first; a client that only listens
  // has nothing to cancel, and no user asked for it.
  if (waiting_ == Waiting::CancelReply) return;
  if (state_ != kListening) {
    HandleCancel();
  } else {
    Finish();
  }
}

void BuildClient::Finish() {
  timer_.Cancel();
  retryTimer_.Cancel();
  CloseConnection();
  closing_.reset();
  udp_.Close();
  {
    std::lock_guard<std::mutex> hold(listeningMutex_);
    listeningPort_ = 0;
  }
  LogWithoutServer(Message(diag::msg::kRequestsStopped));
  LogWithoutServer(Message(diag::msg::kResidentEnded));
  LogWithoutServer(kLogEndLine);
  log_.Close();
  begun_ = false;
  loop_.Stop();
}

void BuildClient::Send(std::string line) {
  if (connection_) connection_->Send(std::move(line));
}

// The own address is where the connection to the server leaves from: no
// name service is asked, so none can hold up a build.
void BuildClient::NoteOwnAddress() { ownAddress_ = connection_->LocalAddress(); }

void BuildClient::CloseConnection() {
  timer_.Cancel();
  waiting_ = Waiting::Nothing;
  outputHeld_ = false;
  if (!connection_) return;
  if (!connection_->IsOpen() || connection_->QueuedBytes() == 0) {
    connection_.reset();
    return;
  }
  // The last message (a refusal, the answer to BuildPhaseClose) goes out
  // first, for the reply limit at most.
  closing_ = std::move(connection_);
  const auto done = [this] { closing_.reset(); };
  closing_->SetEvents({.closed = done, .drained = done});
  closingTimer_.Start(kReplyLimitMs, done);
}

void BuildClient::StopListening() {
  if (!udp_.IsOpen()) return;
  udp_.Close();
  {
    std::lock_guard<std::mutex> hold(listeningMutex_);
    listeningPort_ = 0;
  }
  LogWithoutServer(Message(diag::msg::kRequestsStopped));
}

void BuildClient::Show(const std::string& text) {
  if (view_) view_->ShowText(text);
}

void BuildClient::Log(const std::string& text) { log_.Entry(text, serverName_, serverAddress_); }

void BuildClient::LogWithoutServer(const std::string& text) { log_.Entry(text); }

void BuildClient::ShowAndLog(const std::string& text) {
  Show(text);
  Log(text);
}

}  // namespace distributed
