#include "distributed/build_server.h"

#include "diag/message_catalogue.h"
#include "distributed/peer_allow_list.h"
#include "distributed/peer_code_page.h"
#include "distributed/protocol_messages.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/free_port.h"
#include "platform/socket_calls.h"
#include "platform/text.h"

namespace distributed {

void WriteToConsole(std::string_view piece, bool toStderr, bool endsText) {
  const auto write = toStderr ? platform::WriteStderr : platform::WriteStdout;
  if (endsText) {
    write(std::string(piece) + "\n");
  } else {
    write(piece);
  }
}

BuildServer::BuildServer(engine::TargetScheduler& scheduler, ServerView& view, ConsoleWriter console, LogClock clock)
    : scheduler_(scheduler), view_(view), console_(std::move(console)), log_(std::move(clock)) {}

BuildServer::~BuildServer() { ShutdownServer(); }

void BuildServer::ApplySettings(const ServerSettings& settings) {
  settings_ = settings;
  log_.SetFileName(settings.saveLogFile);
  log_.SetEnabled(settings.saveLog);
}

int BuildServer::BindListener() {
  if (settings_.normalPortAuto) {
    std::vector<int> localPorts;
    const int port = platform::socket_calls::ReadTcpTable(localPorts) ? platform::ChooseFreePort(localPorts) : 0;
    if (port != 0 && listener_.Listen(0, port)) return 0;
    ViewShowMessage(diag::LoadMessage(diag::msg::kAutomaticPortFailed));
    Log(diag::LoadMessage(diag::msg::kAutomaticPortFailed));
    settings_.normalPortAuto = false;
  }
  // A port no socket can have is refused, not wrapped into another one.
  if (settings_.normalPort < 0 || settings_.normalPort > 65535) return 1;
  return listener_.Listen(0, settings_.normalPort) ? 0 : 1;
}

int BuildServer::StartServer() {
  log_.Open();
  if (BindListener() != 0) {
    ViewShowMessage(diag::LoadMessage(diag::msg::kServerCannotStartDialog));
    Log(diag::LoadMessage(diag::msg::kServerCannotStart));
    return 1;
  }
  port_ = listener_.Port();
  view_.TargetCount(targetCount_);
  // Announcements go out from a port of their own; nothing comes back.
  announcer_.Open(0, 0, [](std::string_view, platform::Ipv4Address, int) {});
  Log(diag::LoadMessage(diag::msg::kServerReady));
  accepting_ = true;
  listener_.StartAccepting(
      [this](std::unique_ptr<platform::StreamConnection> stream) { Accepted(std::move(stream)); });
  AnnounceNow();
  if (settings_.sendRequest) ScheduleAnnouncement();
  loopThread_.Begin([this] { loop_.Run(); });
  return 0;
}

void BuildServer::Accepted(std::unique_ptr<platform::StreamConnection> stream) {
  // A client that connects once accepting has stopped (the in-process one
  // coming straight back) is sent away, not given a phase.
  if (!accepting_) return;
  const int id = nextConnectionId_++;
  const std::string address = platform::DottedAddress(stream->PeerAddress());
  auto connection = std::make_unique<ServerConnection>(*this, id, std::move(stream), loop_,
                                                       ServerReadLimitMs(settings_.timeout, settings_.timeoutTime));
  ServerConnection& added = *connection;
  connections_.emplace(id, std::move(connection));
  ViewConnectionAdded(id, address);
  added.Start();
}

void BuildServer::Announce() {
  loop_.Post([this] { AnnounceNow(); });
}

void BuildServer::AnnounceNow() {
  if (finished_) return;
  announcer_.SendTo(announceAddress_, settings_.broadcastPortNo,
                    FormatBuildConnection(port_, MachineName()) + FormatCodePageLine(platform::NarrowCodePage()));
}

void BuildServer::ScheduleAnnouncement() {
  announceTimer_.Start(kAnnounceIntervalMs, [this] {
    if (finished_ || shuttingDown_) return;
    AnnounceNow();
    ScheduleAnnouncement();
  });
}

engine::HandOutResult BuildServer::NextTarget() {
  const engine::HandOutResult next = scheduler_.NextTarget();
  if (next.kind == engine::HandOut::NothingLeft) MarkEnded();
  return next;
}

void BuildServer::FinishTarget(engine::TargetNode& target, engine::TargetOutcome outcome) {
  scheduler_.Finish(target, outcome);
  WakeConnections();
}

void BuildServer::CommandFailed(int exitCode) {
  int none = 0;
  failureCode_.compare_exchange_strong(none, exitCode);
  if (scheduler_.KeepsGoing()) return;
  ViewShowMessage(platform::NarrowFromUtf8(kCommandFailedMessage));
  Console(platform::NarrowFromUtf8(kCommandFailedLine), true);
  ViewStatusText(platform::NarrowFromUtf8(kStatusInterrupted));
  StopServer();
}

void BuildServer::MarkEnded() {
  // Nothing is left to hand out: a client that connects now could only be
  // sent away again, so no more are taken.
  StopAccepting();
  {
    std::lock_guard<std::mutex> lock(endMutex_);
    if (finished_) return;
    finished_ = true;
    endChanged_.notify_all();
  }
  WakeConnections();
}

void BuildServer::WaitEnded() {
  std::unique_lock<std::mutex> lock(endMutex_);
  endChanged_.wait(lock, [this] { return finished_.load(); });
}

void BuildServer::StopAccepting() {
  if (!accepting_) return;
  accepting_ = false;
  listener_.Close();
}

void BuildServer::WakeConnections() {
  if (wakePosted_) return;
  wakePosted_ = true;
  loop_.Post([this] {
    wakePosted_ = false;
    for (const auto& [id, connection] : connections_) connection->HandOutChanged();
  });
}

void BuildServer::StopServer() {
  loop_.Post([this] { StopOnLoop(); });
}

void BuildServer::StopOnLoop() {
  scheduler_.Stop();
  // Accepting stops before any phase is cancelled, or a client that comes
  // straight back (the in-process one) would have a new phase opened.
  StopAccepting();
  for (const auto& [id, connection] : connections_) connection->CancelPhase();
  MarkEnded();
}

template <typename Action>
void BuildServer::ForConnection(int connection, Action action) {
  loop_.Post([this, connection, action] {
    const auto found = connections_.find(connection);
    if (found != connections_.end()) action(*found->second);
  });
}

void BuildServer::CancelConnection(int connection) {
  ForConnection(connection, [](ServerConnection& each) { each.CancelPhase(); });
}

void BuildServer::CloseConnection(int connection) {
  ForConnection(connection, [](ServerConnection& each) { each.ClosePhase(); });
}

void BuildServer::ConnectionEnded(int connection) {
  loop_.Post([this, connection] {
    connections_.erase(connection);
    EndLoopWhenIdle();
  });
}

void BuildServer::ShutdownServer() {
  loop_.Post([this] {
    shuttingDown_ = true;
    StopAccepting();
    announceTimer_.Cancel();
    for (const auto& [id, connection] : connections_) connection->ClosePhase();
    EndLoopWhenIdle();
  });
  loopThread_.Join();
}

void BuildServer::EndLoopWhenIdle() {
  if (!shuttingDown_ || !connections_.empty()) return;
  announcer_.Close();
  Log(diag::LoadMessage(diag::msg::kServerEnding));
  loop_.Stop();
}

bool BuildServer::AllowsClient(const std::string& address, const std::string& name) const {
  return IsPeerAllowed(settings_.allowClients, address, name);
}

// A client on this host connects from one of the host's own addresses, so
// both ends of its connection have the same one; no lookup of the host's
// name is needed to tell.
bool BuildServer::StripsDirectoryFor(platform::Ipv4Address peer, platform::Ipv4Address local) const {
  return settings_.commandFullPath && peer != local;
}

void BuildServer::Console(const std::string& text, bool toStderr) {
  console_(text, toStderr || progressOutput_, true);
}

void BuildServer::ConsoleText(bool toStderr, const std::function<void(const ConsolePiece&)>& pieces) {
  const bool toError = toStderr || progressOutput_;
  pieces([&](std::string_view piece) { console_(piece, toError, false); });
  console_({}, toError, true);
}

void BuildServer::Log(const std::string& text) { log_.Entry(text); }

void BuildServer::ViewConnectionAdded(int connection, const std::string& address) {
  view_.ConnectionAdded(connection, address);
}

void BuildServer::ViewConnectionText(int connection, const std::string& name, const std::string& number,
                                     const std::string& text) {
  view_.ConnectionText(connection, name, number, text);
}

void BuildServer::ViewTargetFinished() { view_.TargetFinished(); }

void BuildServer::ViewShowMessage(const std::string& text) { view_.ShowMessage(text); }

void BuildServer::ViewStatusText(const std::string& text) {
  // The end is told once: each connection that finds nothing left would
  // tell it again, and one still passing would reopen the build.
  if (endTold_) return;
  endTold_ = text != platform::NarrowFromUtf8(kStatusBuilding);
  view_.StatusText(text);
}

}  // namespace distributed
