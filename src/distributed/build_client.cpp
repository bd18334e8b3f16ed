#include "distributed/build_client.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

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

namespace distributed {
namespace {

// The own server of a local client, reached without a lookup.
constexpr const char* kLocalHost = "127.0.0.1";
constexpr const char* kLogEndLine = "-----------------------";

std::string Message(unsigned number) { return diag::LoadMessage(number); }

std::string Indented(const std::string& commandLine) { return "  " + commandLine; }

bool IsFailure(ReplyOutcome outcome) {
  return outcome == ReplyOutcome::Garbled || outcome == ReplyOutcome::Error || outcome == ReplyOutcome::Unexpected;
}

}  // namespace

BuildClient::BuildClient() {
  SetReadLimit(kClientReadLimitMs);
  RegisterMessages();
  // Bytes from the server, a datagram, or the end of either: the client
  // thread looks at once, also while a command runs.
  Socket().SetActivityCallback([this] { Wake(); });
  udp_.SetActivityCallback([this] { Wake(); });
}

BuildClient::~BuildClient() {
  StopClientThread();
  // The connection belongs to the base, which outlives this part: its
  // receive thread must not call back into members already gone.
  Socket().SetActivityCallback(nullptr);
  Socket().CloseSocket();
  udp_.SetActivityCallback(nullptr);
  udp_.CloseSocket();
}

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
  // A new port applies from the client thread's next pass.
  settingsChanged_ = true;
  Wake();
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
  quit_ = false;
  return thread_.Begin([this] { ClientThread(); });
}

void BuildClient::StopClientThread() {
  if (!thread_.IsAlive()) return;
  // Set first: the pass that sees it is the last, and a wait on the server
  // that begins after this wake-up looks at the flag first. The thread
  // cancels what is still open as it ends.
  quit_ = true;
  Wake();
  Socket().Wake();
  thread_.Resume();
  thread_.Join();
}

void BuildClient::PostEvent(int event) {
  {
    std::lock_guard<std::mutex> hold(eventMutex_);
    events_.push_back(event);
  }
  Wake();
}

void BuildClient::PassiveConnect(const std::string& host, const std::string& port) {
  {
    std::lock_guard<std::mutex> hold(eventMutex_);
    passiveHost_ = host;
    passivePort_ = static_cast<int>(std::atol(port.c_str()));
  }
  PostEvent(kEventPassiveConnect);
}

void BuildClient::SetPassiveMode() {
  passive_ = true;
  Wake();
}

void BuildClient::SetListeningPaused(bool paused) {
  if (state_ != kListening) return;
  listeningPaused_ = paused;
  Wake();
}

int BuildClient::WaitListening(int timeoutMs, int openings) {
  std::unique_lock<std::mutex> hold(eventMutex_);
  const auto listening = [&] { return listeningPort_ != 0 && listenOpenings_ >= openings; };
  return wakeChanged_.wait_for(hold, std::chrono::milliseconds(timeoutMs), listening) ? listeningPort_.load() : 0;
}

void BuildClient::Wake() {
  std::lock_guard<std::mutex> hold(eventMutex_);
  woken_ = true;
  if (wakeRunner_) wakeRunner_->Wake();
  wakeChanged_.notify_all();
}

void BuildClient::WaitForWake(int timeoutMs) {
  std::unique_lock<std::mutex> hold(eventMutex_);
  if (timeoutMs < 0) {
    wakeChanged_.wait(hold, [this] { return woken_; });
  } else {
    wakeChanged_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [this] { return woken_; });
  }
  woken_ = false;
}

void BuildClient::ClientThread() {
  if (useDirectRunner_) {
    runner_ = std::make_unique<exec::DirectRunner>();
  } else {
    runner_ = std::make_unique<exec::BatchRunner>();
  }
  runner_->Start();
  {
    std::lock_guard<std::mutex> hold(eventMutex_);
    wakeRunner_ = runner_.get();
  }
  log_.Open();
  LogWithoutServer(Message(diag::msg::kResidentStarted));
  int event = 0;
  while (!quit_) {
    thread_.PausePoint();
    if (quit_) break;
    int retryMs = -1;
    bool progressed = false;
    switch (state_) {
      case kBuildPhase:
        progressed = BuildPhaseStep();
        break;
      case kConnected:
        progressed = OpenPhaseStep();
        break;
      default:
        if (!passive_) progressed = ListeningStep(retryMs);
        break;
    }
    if (HandleOneEvent()) progressed = true;
    // Waits only when the pass found nothing to do: whatever arrives from
    // now on wakes it.
    if (!progressed && !quit_) WaitForWake(retryMs);
  }
  // A cancel posted before the end, or a connection still open, is
  // cancelled; a client that only listens has nothing to cancel, and no
  // user asked for it.
  bool cancelled = false;
  while (TakeEvent(event)) {
    if (event == kEventCancel && !cancelled) {
      HandleCancel();
      cancelled = true;
    }
  }
  if (!cancelled && state_ != kListening) HandleCancel();
  runner_->Close();
  udp_.CloseSocket();
  listeningPort_ = 0;
  LogWithoutServer(Message(diag::msg::kRequestsStopped));
  LogWithoutServer(Message(diag::msg::kResidentEnded));
  LogWithoutServer(kLogEndLine);
  log_.Close();
  {
    std::lock_guard<std::mutex> hold(eventMutex_);
    wakeRunner_ = nullptr;
  }
  runner_.reset();
}

bool BuildClient::ListeningStep(int& retryMs) {
  if (localMode_) {
    // A connection that ended before its build phase opened (the server is
    // gone, or has nothing for this client) is not tried again at once.
    if (localAttempted_ && !phaseReached_ && !retryDue_) {
      retryDue_ = true;
      retryMs = kRetryMs;
      return false;
    }
    localAttempted_ = true;
    retryDue_ = false;
    phaseReached_ = false;
    serverAddress_ = kLocalHost;
    serverCodePage_ = 0;
    serverPort_ = localPort_;
    state_ = kConnected;
    ConnectStep();
    Show(Message(diag::msg::kRequestArrived));
    return true;
  }
  if (settingsChanged_.exchange(false)) StopListening();
  if (!udp_.IsReceiving()) {
    if (listeningPaused_) return false;
    udp_.CloseSocket();
    const int port = AppliedSettings().portNo;
    if (udp_.OpenSocket() == 0 && udp_.Bind("", port) == 0) udp_.StartReceiving();
    LogWithoutServer(Message(diag::msg::kWaitingForRequests));
    if (!udp_.IsReceiving()) {
      // The port is taken: try again later, not on every pass, and say so
      // once.
      if (!portTakenShown_) {
        const std::string text = diag::FormatCatalogMessage(diag::msg::kAnnouncePortTaken, port);
        Show(text);
        LogWithoutServer(text);
      }
      portTakenShown_ = true;
      retryMs = kRetryMs;
      return false;
    }
    portTakenShown_ = false;
    {
      std::lock_guard<std::mutex> hold(eventMutex_);
      listeningPort_ = udp_.Port();
      ++listenOpenings_;
      wakeChanged_.notify_all();
    }
    return true;
  }
  if (listeningPaused_) {
    StopListening();
    return true;
  }
  platform::Datagram datagram;
  if (!udp_.TakeDatagram(datagram)) return false;
  if (!AcceptsDatagram(datagram)) return true;
  LogWithoutServer(Message(diag::msg::kRequestArrivedIdentifying));
  ConnectStep();
  Show(Message(diag::msg::kRequestArrived));
  return true;
}

bool BuildClient::AcceptsDatagram(const platform::Datagram& datagram) {
  std::string text;
  if (!DatagramLine(datagram.bytes, text)) return false;
  state_ = kConnected;
  serverAddress_ = platform::DottedAddress(datagram.sender);
  serverCodePage_ = DatagramCodePage(datagram.bytes);
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
  if (!accepted) state_ = kListening;
  return accepted;
}

void BuildClient::OpenConnection() {
  platform::TcpSocket& socket = Socket();
  socket.CloseSocket();
  socket.OpenSocket();
  socket.Connect(serverAddress_, serverPort_);
}

bool BuildClient::ConnectStep() {
  OpenConnection();
  LogWithoutServer(Message(diag::msg::kConnectingToServer));
  if (Socket().WaitConnected(kReplyLimitMs) != platform::kSocketConnected) {
    state_ = kListening;
    LogWithoutServer(Message(diag::msg::kServerConnectFailed));
    CloseConnection();
    return false;
  }
  NoteOwnAddress();
  if (!GreetServer(FormatBuildClientConnect(MachineName(), static_cast<int>(clockMhz_)))) {
    LogWithoutServer(Message(diag::msg::kServerSendFailed));
    LogWithoutServer(Message(diag::msg::kServerDisconnected));
    return false;
  }
  LogWithoutServer(Message(diag::msg::kSentToServer));
  return true;
}

// Sends BuildClientConnect and reads the answer: no answer at all lets the
// client go on (a lost connection shows at the next read).
bool BuildClient::GreetServer(const std::string& greeting) {
  // Opening the socket dropped any wake-up from StopClientThread.
  if (!quit_) {
    SendLine(greeting);
    const ReplyOutcome reply = WaitReply();
    if (!IsFailure(reply)) return true;
    // The server says why it sends the client away (its allow-list).
    if (reply == ReplyOutcome::Error) ShowAndLog(ErrorText());
  }
  state_ = kListening;
  CloseConnection();
  return false;
}

bool BuildClient::OpenPhaseStep() {
  std::string line;
  const int read = WaitServerLine(line);
  // Woken for an event or the end of the thread: the pass goes on to it.
  if (read == kLineNone) return true;
  if (read != kLineTaken) {
    LogWithoutServer(Message(diag::msg::kServerTalkFailed));
    state_ = kListening;
    CloseConnection();
    return true;
  }
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageBuildPhaseOpen, value) != kParseAccepted || value != 0) {
    LogWithoutServer(Message(diag::msg::kServerTalkFailed2));
    state_ = kListening;
    CloseConnection();
    return true;
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
    SendLine(Message(diag::msg::kClientRefusedError));
    CloseConnection();
    state_ = kListening;
  } else {
    // The state first: once the server has the answer, the client is in
    // its build phase for every thread that asks.
    state_ = kBuildPhase;
    phaseReached_ = true;
    SendLine(FormatOk());
    Show(Message(diag::msg::kServerConnected));
  }
  Log(Message(diag::msg::kBuildStartAccepted));
  return true;
}

bool BuildClient::BuildPhaseStep() {
  commandStarted_ = false;
  const StepResult result = ServerLineStep();
  if (result == StepResult::Handled && commandStarted_) RelayCommand();
  return result != StepResult::Idle;
}

// Output and exit code of the command just started. Lines and events that
// arrive meanwhile are dealt with as they come (a garbled line is answered,
// another message ignored); only one that ends the phase, the command or
// the connection ends the relaying.
void BuildClient::RelayCommand() {
  relaying_ = true;
  for (std::string& pending : pendingOutput_) pending.clear();
  for (;;) {
    SendOutput(false);
    // Returns on output, the command's end, or a wake-up.
    if (!runner_->IsRunning()) break;
    StepResult result = ServerLineStep();
    while (result == StepResult::Handled && state_ == kBuildPhase) result = ServerLineStep();
    if (result != StepResult::Idle || state_ != kBuildPhase || quit_) {
      relaying_ = false;
      return;
    }
  }
  relaying_ = false;
  SendOutput(true);
  SendLine(FormatCommandExit(commandFailed_ ? kStartFailureExitCode : runner_->ExitCode()));
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
  std::string text;
  std::string converted;
  for (const auto& stream : streams) {
    const bool empty = stream.channel == kChannelStdout ? runner_->TakeStdout(text) : runner_->TakeStderr(text);
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
    SendLine(FormatCommandOut(stream.channel, TextForServer(piece, serverCodePage_, converted)));
    pending.erase(0, pending.size() - keep);
  }
}

BuildClient::StepResult BuildClient::ServerLineStep() {
  std::string line;
  const int read = ReadMessageLine(false, line);
  if (read == kLineLost || read == kLineTimedOut) {
    state_ = kListening;
    // The server is gone with its phase: the command it was waiting for
    // ends too, so that the next server finds nothing of it (no output,
    // no exit code, no busy runner).
    if (relaying_) {
      runner_->Kill();
      runner_->Start();
    }
    ShowAndLog(Message(diag::msg::kDisconnectedByServer));
    if (view_) view_->ConnectionCut();
    CloseConnection();
    return StepResult::Gone;
  }
  if (read == kLineNone) return HandleOneEvent() ? StepResult::Handled : StepResult::Idle;
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageNone, value) == kParseGarbled) {
    SendLine(std::string(kGarbledReply));
    return StepResult::Handled;
  }
  switch (LastKind()) {
    case kMessageBuildPhaseClose:
      SendLine(FormatOk());
      runner_->Kill();
      runner_->Start();
      ShowAndLog(Message(diag::msg::kClosingBuildPhase));
      CloseConnection();
      state_ = kListening;
      return StepResult::CommandEnded;
    case kMessageBuildPhaseCancel:
      SendLine(FormatOk());
      runner_->Kill();
      runner_->Start();
      ShowAndLog(Message(diag::msg::kCancelledByServer));
      return StepResult::CommandEnded;
    case kMessageCommandExec:
      // A second command while one runs breaks the protocol; it is left
      // unanswered and the running one goes on.
      if (relaying_) return StepResult::Handled;
      if (AppliedSettings().noExecShellCommand && exec::IsBuiltinCommandLine(command_.line)) {
        RefuseBuiltin();
        return StepResult::CommandEnded;
      }
      SendLine(FormatOk());
      StartCommand();
      ShowAndLog(Message(diag::msg::kRunningCommand));
      ShowAndLog(Indented(command_.line));
      return StepResult::Handled;
    default:
      return StepResult::Handled;
  }
}

void BuildClient::RefuseBuiltin() {
  SendLine(Message(diag::msg::kShellCommandError));
  Show(Message(diag::msg::kShellCommandRefused));
  Show(Indented(command_.line));
  // The server closes the connection on the refusal; what it still sends
  // is dropped. Bounded by the read limit.
  std::string ignored;
  while (WaitServerLine(ignored) == kLineTaken) {
  }
  Log(Message(diag::msg::kShellCommandRefused));
  Log(Indented(command_.line));
  CloseConnection();
  state_ = kListening;
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
  commandStarted_ = true;
  // A command that could not start has failed; the runner would report 0.
  commandFailed_ = runner_->Exec(line.text) != 0;
}

// The next line from the server, waiting up to the reply limit on the
// client's own wake-up: kLineNone when an event or the end of the thread
// came first, kLineTimedOut (the connection closed) when the limit passed.
int BuildClient::WaitServerLine(std::string& line) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReplyLimitMs);
  for (;;) {
    const int read = ReadMessageLine(false, line);
    if (read != kLineNone) return read;
    {
      std::lock_guard<std::mutex> hold(eventMutex_);
      if (quit_ || !events_.empty()) return kLineNone;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      CloseConnection();
      return kLineTimedOut;
    }
    WaitForWake(static_cast<int>(left.count()));
  }
}

bool BuildClient::TakeEvent(int& event) {
  std::lock_guard<std::mutex> hold(eventMutex_);
  if (events_.empty()) return false;
  event = events_.front();
  events_.pop_front();
  return true;
}

bool BuildClient::HandleOneEvent() {
  int event = 0;
  if (!TakeEvent(event)) return false;
  if (event == kEventCancel) HandleCancel();
  if (event == kEventPassiveConnect) HandlePassiveConnect();
  return true;
}

void BuildClient::HandleCancel() {
  Log(Message(diag::msg::kUserCancellingBuild));
  if (state_ == kBuildPhase) {
    SendLine(FormatBuildPhaseClientCancel());
    WaitReply();
  }
  CloseConnection();
  state_ = kListening;
  Log(Message(diag::msg::kBuildCancelled));
}

void BuildClient::HandlePassiveConnect() {
  LogWithoutServer("Debug PassiveMode OPEN");
  passive_ = true;
  state_ = kConnected;
  StopListening();
  {
    std::lock_guard<std::mutex> hold(eventMutex_);
    serverName_ = passiveHost_;
    serverAddress_ = passiveHost_;
    serverPort_ = passivePort_;
    serverCodePage_ = 0;
  }
  OpenConnection();
  LogWithoutServer("Connecting");
  if (Socket().WaitConnected(kReplyLimitMs) != platform::kSocketConnected) {
    state_ = kListening;
    LogWithoutServer("Connecting Error CLOSE.");
    CloseConnection();
    return;
  }
  NoteOwnAddress();
  LogWithoutServer("Connect Done");
  const std::string greeting = FormatBuildClientConnect(MachineName(), 255);
  LogWithoutServer("Send");
  LogWithoutServer(greeting);
  if (!GreetServer(greeting)) {
    LogWithoutServer("Send Error CLOSE.");
    return;
  }
  LogWithoutServer("Send done.");
}

// The own address is where the connection to the server leaves from: no
// name service is asked, so none can hold up a build.
void BuildClient::NoteOwnAddress() { ownAddress_ = Socket().LocalAddress(); }

// Closing drops what is still queued: the last message (a refusal, the
// answer to BuildPhaseClose) is sent first.
void BuildClient::CloseConnection() {
  Socket().WaitSent(kReplyLimitMs);
  Socket().CloseSocket();
}

void BuildClient::StopListening() {
  if (listeningPort_ == 0 && !udp_.IsReceiving()) return;
  udp_.CloseSocket();
  listeningPort_ = 0;
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
