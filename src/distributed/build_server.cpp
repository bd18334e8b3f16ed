#include "distributed/build_server.h"

#include "diag/message_catalogue.h"
#include "distributed/peer_allow_list.h"
#include "distributed/peer_code_page.h"
#include "distributed/protocol_messages.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/text.h"
#include "platform/udp_socket.h"

namespace distributed {
namespace {

constexpr int kListenBacklog = 5;
// A failed accept that is not the end of accepting is tried again after
// this pause, so that a lasting failure does not spin.
constexpr auto kAcceptRetry = std::chrono::milliseconds(5);

}  // namespace

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
    if (listener_.BindFreePort() == 0) return 0;
    ViewShowMessage(diag::LoadMessage(diag::msg::kAutomaticPortFailed));
    Log(diag::LoadMessage(diag::msg::kAutomaticPortFailed));
    settings_.normalPortAuto = false;
  }
  // A port no socket can have is refused, not wrapped into another one.
  if (settings_.normalPort < 0 || settings_.normalPort > 65535) return 1;
  return listener_.Bind("", settings_.normalPort);
}

int BuildServer::StartServer() {
  log_.Open();
  if (listener_.OpenSocket() != 0 || BindListener() != 0 || listener_.Listen(kListenBacklog) != 0) {
    listener_.CloseSocket();
    ViewShowMessage(diag::LoadMessage(diag::msg::kServerCannotStartDialog));
    Log(diag::LoadMessage(diag::msg::kServerCannotStart));
    return 1;
  }
  port_ = listener_.Port();
  {
    std::lock_guard<std::mutex> lock(viewMutex_);
    view_.TargetCount(targetCount_);
  }
  acceptThread_.Begin([this] { AcceptLoop(); });
  if (settings_.sendRequest) announceThread_.Begin([this] { AnnounceLoop(); });
  Announce();
  return 0;
}

void BuildServer::Announce() {
  if (finished_) return;
  platform::UdpSocket udp;
  if (udp.OpenSocket() != 0) return;
  udp.EnableBroadcast();
  if (udp.Bind("", 0) == 0) {
    udp.SendTo(announceAddress_, settings_.broadcastPortNo,
               FormatBuildConnection(port_, MachineName()) + FormatCodePageLine(platform::NarrowCodePage()));
  }
  udp.CloseSocket();
}

void BuildServer::AnnounceLoop() {
  std::unique_lock<std::mutex> lock(endMutex_);
  const auto ended = [this] { return shutdown_ || finished_; };
  while (!endChanged_.wait_for(lock, std::chrono::milliseconds(kAnnounceIntervalMs), ended)) {
    lock.unlock();
    Announce();
    lock.lock();
  }
}

void BuildServer::AcceptLoop() {
  Log(diag::LoadMessage(diag::msg::kServerReady));
  for (int id = 0;; ++id) {
    auto connection = std::make_unique<ServerConnection>(*this, id);
    const int accepted = listener_.Accept(connection->Socket());
    if (stopped_) break;
    if (accepted != 0) {
      std::unique_lock<std::mutex> lock(endMutex_);
      endChanged_.wait_for(lock, kAcceptRetry, [this] { return shutdown_; });
      continue;
    }
    ServerConnection& added = *connection;
    {
      // Under the lock StopServer stops accepting with: a connection
      // accepted just before is sent away, not given a phase.
      std::lock_guard<std::mutex> lock(connectionsMutex_);
      if (stopped_) break;
      connections_.push_back(std::move(connection));
    }
    ViewConnectionAdded(id, added.Socket().AddressText());
    added.Start(ServerReadLimitMs(settings_.timeout, settings_.timeoutTime));
  }
  ForEachConnection([](ServerConnection& connection) { connection.PostEvent(ServerConnection::kEventClose); });
  // Only this thread changes the list, so it may be walked without the
  // lock, which the connections' threads may need on their way out.
  for (const auto& connection : connections_) connection->Join();
  listener_.CloseSocket();
  Log(diag::LoadMessage(diag::msg::kServerEnding));
}

template <typename Action>
void BuildServer::ForEachConnection(Action action) {
  std::lock_guard<std::mutex> lock(connectionsMutex_);
  for (const auto& connection : connections_) action(*connection);
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
  if (stopped_.exchange(true)) return;
  listener_.CloseSocket();
}

void BuildServer::WakeConnections() {
  ForEachConnection([](ServerConnection& connection) { connection.Wake(); });
}

void BuildServer::StopServer() {
  scheduler_.Stop();
  {
    // Accepting stops before any phase is cancelled, or a client that comes
    // straight back (the in-process one) would have a new phase opened.
    // The cancels still go before the closes that the accept thread posts
    // once accepting has stopped: it needs this lock for them.
    std::lock_guard<std::mutex> lock(connectionsMutex_);
    StopAccepting();
    for (const auto& connection : connections_) connection->PostEvent(ServerConnection::kEventCancel);
  }
  MarkEnded();
}

void BuildServer::CancelConnection(int connection) {
  ForEachConnection([connection](ServerConnection& each) {
    if (each.Id() == connection) each.PostEvent(ServerConnection::kEventCancel);
  });
}

void BuildServer::CloseConnection(int connection) {
  ForEachConnection([connection](ServerConnection& each) {
    if (each.Id() == connection) each.PostEvent(ServerConnection::kEventClose);
  });
}

void BuildServer::ShutdownServer() {
  {
    std::lock_guard<std::mutex> lock(endMutex_);
    shutdown_ = true;
    endChanged_.notify_all();
  }
  StopAccepting();
  acceptThread_.Join();
  announceThread_.Join();
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
  std::lock_guard<std::mutex> lock(consoleMutex_);
  console_(text, toStderr || progressOutput_, true);
}

void BuildServer::ConsoleText(bool toStderr, const std::function<void(const ConsolePiece&)>& pieces) {
  std::lock_guard<std::mutex> lock(consoleMutex_);
  const bool toError = toStderr || progressOutput_;
  pieces([&](std::string_view piece) { console_(piece, toError, false); });
  console_({}, toError, true);
}

void BuildServer::Log(const std::string& text) { log_.Entry(text); }

void BuildServer::ViewConnectionAdded(int connection, const std::string& address) {
  std::lock_guard<std::mutex> lock(viewMutex_);
  view_.ConnectionAdded(connection, address);
}

void BuildServer::ViewConnectionText(int connection, const std::string& name, const std::string& number,
                                     const std::string& text) {
  std::lock_guard<std::mutex> lock(viewMutex_);
  view_.ConnectionText(connection, name, number, text);
}

void BuildServer::ViewTargetFinished() {
  std::lock_guard<std::mutex> lock(viewMutex_);
  view_.TargetFinished();
}

void BuildServer::ViewShowMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(viewMutex_);
  view_.ShowMessage(text);
}

void BuildServer::ViewStatusText(const std::string& text) {
  std::lock_guard<std::mutex> lock(viewMutex_);
  // The end is told once: each connection that finds nothing left would
  // tell it again, and one still passing would reopen the build.
  if (endTold_) return;
  endTold_ = text != platform::NarrowFromUtf8(kStatusBuilding);
  view_.StatusText(text);
}

}  // namespace distributed
