#include "distributed/server_connection.h"

#include "diag/message_catalogue.h"
#include "distributed/build_server.h"
#include "distributed/program_path.h"
#include "engine/path_parts.h"
#include "platform/line_ends.h"
#include "platform/text.h"

namespace distributed {
namespace {

// How long a closing connection lets its last message go out.
constexpr int kLastSendLimitMs = 10000;

}  // namespace

ServerConnection::ServerConnection(BuildServer& server, int id) : server_(server), id_(id) {
  RegisterMessage(kMessageBuildClientConnect, [this](const std::vector<std::string>& arguments) {
    clientName_ = arguments[0];
    clientNumber_ = arguments[1];
  });
  RegisterMessage(kMessageBuildPhaseClientCancel, [](const std::vector<std::string>&) {});
  RegisterMessage(kMessageCommandOut, [this](const std::vector<std::string>& arguments) {
    engine::OutputSpool& spool = ArgumentNumber(arguments[0]) == kChannelStdout ? collectedStdout_ : collectedStderr_;
    spool.AppendWith([&](std::string& text) { AppendCommandOutText(arguments, text); });
  });
  RegisterMessage(kMessageCommandExit, [this](const std::vector<std::string>& arguments) {
    exitCode_ = ArgumentNumber(arguments[0]);
    exitReceived_ = true;
  });
}

ServerConnection::~ServerConnection() {
  thread_.Join();
  Socket().CloseSocket();
}

bool ServerConnection::Start(int readLimitMs) {
  readLimitMs_ = readLimitMs;
  SetReadLimit(readLimitMs);
  peerAddress_ = Socket().AddressText();
  Socket().SetActivityCallback([this] { Wake(); });
  Socket().StartReceiving();
  Socket().StartSending();
  return thread_.Begin([this] { Run(); });
}

void ServerConnection::PostEvent(int event) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.push_back(event);
  wakeChanged_.notify_all();
}

void ServerConnection::Wake() {
  std::lock_guard<std::mutex> lock(mutex_);
  woken_ = true;
  wakeChanged_.notify_all();
}

void ServerConnection::WaitForWake(const Clock::time_point* deadline) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto ready = [this] { return woken_ || !events_.empty(); };
  if (deadline) {
    wakeChanged_.wait_until(lock, *deadline, ready);
  } else {
    wakeChanged_.wait(lock, ready);
  }
  woken_ = false;
}

void ServerConnection::Run() {
  while (Socket().State() == platform::kSocketConnected) {
    switch (phase_.load()) {
      case kWaitingForClient: WaitingStep(); break;
      case kOpeningPhase: OpeningStep(); break;
      default: BuildPhaseStep(); break;
    }
    HandleOneEvent();
  }
  Socket().CloseSocket();
  phase_ = kWaitingForClient;
}

void ServerConnection::WaitingStep() {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(readLimitMs_);
  for (;;) {
    std::string line;
    const int read = ReadMessageLine(false, line);
    if (read == kLineTaken) {
      std::int32_t value = 0;
      if (ParseMessage(line, kMessageBuildClientConnect, value) != kParseAccepted || value != 0) continue;
      if (!server_.AllowsClient(peerAddress_, clientName_)) {
        const std::string refusal = diag::FormatCatalogMessage(diag::msg::kClientNotAllowed, clientName_, peerAddress_);
        ShowAndLog(refusal);
        // The client is told too, before the connection goes.
        SendLine(FormatError(0, refusal));
        Disconnect();
        return;
      }
      SendLine(FormatOk());
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectionAccepted));
      phase_ = kOpeningPhase;
      return;
    }
    if (read != kLineNone) return;  // the connection is gone
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!events_.empty()) return;
    }
    if (readLimitMs_ >= 0 && Clock::now() >= deadline) {
      Disconnect();
      return;
    }
    WaitForWake(readLimitMs_ >= 0 ? &deadline : nullptr);
  }
}

void ServerConnection::OpeningStep() {
  ShowAndLog(diag::LoadMessage(diag::msg::kOpeningBuildPhase));
  SendLine(FormatBuildPhaseOpen(server_.MachineName()));
  switch (WaitReply()) {
    case ReplyOutcome::Ok:
      ShowAndLog(diag::LoadMessage(diag::msg::kBuildReady));
      server_.TraceWorker(*this, clientName_ + " " + peerAddress_);
      phase_ = kBuildPhase;
      waitShown_ = false;
      return;
    case ReplyOutcome::Error:
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectionRefused));
      break;
    // No reply means the connection ended or timed out: it is closed and
    // must never be handed a target.
    default:
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectFailed));
      break;
  }
  Disconnect();
}

void ServerConnection::BuildPhaseStep() {
  if (!TakeIdleLines() || phase_ != kBuildPhase) return;
  {
    // An event (close, cancel) comes before the next target.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!events_.empty()) return;
  }
  server_.ViewStatusText(platform::NarrowFromUtf8(kStatusBuilding));
  const engine::HandOutResult next = server_.NextTarget();
  switch (next.kind) {
    case engine::HandOut::Wait:
      if (!waitShown_) ShowAndLog(diag::LoadMessage(diag::msg::kWaitingForTarget));
      waitShown_ = true;
      WaitForWake();
      return;
    case engine::HandOut::NothingLeft:
      server_.ViewConnectionText(id_, clientName_, clientNumber_, diag::LoadMessage(diag::msg::kDisconnecting));
      server_.ViewStatusText(platform::NarrowFromUtf8(kStatusComplete));
      CloseBuildPhase();
      return;
    case engine::HandOut::Target: break;
  }
  waitShown_ = false;
  server_.FinishTarget(*next.target, Build(*next.target));
}

bool ServerConnection::TakeIdleLines() {
  for (;;) {
    std::string line;
    const int read = ReadMessageLine(false, line);
    if (read == kLineNone) return true;
    if (read != kLineTaken) return false;
    std::int32_t value = 0;
    if (ParseMessage(line, kMessageBuildPhaseClientCancel, value) == kParseAccepted) {
      ShowAndLog(diag::LoadMessage(diag::msg::kCancelledByClient));
      SendLine(FormatOk());
      CloseBuildPhase();
      return false;
    }
  }
}

engine::TargetOutcome ServerConnection::Build(engine::TargetNode& target) {
  const std::string file(engine::LastPathComponent(target.name));
  ShowAndLog(diag::FormatCatalogMessage(diag::msg::kBuildingTarget, target.name));
  server_.Console(diag::FormatCatalogMessage(diag::msg::kBuildingTargetOn, file, clientName_), false);
  collectedStdout_.Clear();
  collectedStderr_.Clear();
  exitCode_ = 0;
  int result = 0;
  if (target.commands) {
    const std::vector<engine::CommandLine>& lines = target.commands->Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      const engine::CommandLine& line = lines[i];
      exitCode_ = 0;
      const std::uint64_t start = CommandStarting();
      result = RunCommand(line);
      CommandEnded(target, i, start, result);
      // A failure the build ignores, as locally: the next line runs.
      if (result != 0 && exitReceived_ && server_.IgnoresFailure(line)) result = 0;
      if (result != 0) break;
    }
  }
  // Without an exit code the connection failed (or the build was stopped):
  // the command did not finish, and another client builds the target.
  const bool finished = result == 0 || exitCode_ != 0;
  if (finished || !collectedStdout_.Empty() || !collectedStderr_.Empty()) ShowResults(file, finished);

  if (result == 0) {
    server_.ViewTargetFinished();
    ShowAndLog(diag::FormatCatalogMessage(diag::msg::kTargetBuilt, target.name));
    return engine::TargetOutcome::Done;
  }
  if (!finished) return engine::TargetOutcome::Lost;
  // With -K only what needs the target is left out.
  if (server_.KeepsGoing()) {
    server_.CommandFailed(exitCode_);
    return engine::TargetOutcome::Failed;
  }
  ShowAndLog(diag::FormatCatalogMessage(diag::msg::kCommandFailedStopping, exitCode_));
  server_.CommandFailed(exitCode_);
  return engine::TargetOutcome::Stopped;
}

void ServerConnection::ShowResults(const std::string& file, bool finished) {
  // A client's CR LF line ends become the console's own: written in text
  // mode, they stay CR LF instead of gaining a second CR.
  platform::TextLineEndFolder folder;
  server_.ConsoleText(true, [&](const ConsolePiece& write) {
    const auto put = [&](std::string_view piece) { write(folder.Fold(piece)); };
    if (!collectedStdout_.Empty() || !collectedStderr_.Empty()) {
      put(diag::FormatCatalogMessage(diag::msg::kTargetResults, file));
      collectedStdout_.PassOn(collectedStdout_.Size(), put);
      if (!collectedStderr_.Empty()) {
        put("\n");
        collectedStderr_.PassOn(collectedStderr_.Size(), put);
      }
    }
    if (finished) put(diag::FormatCatalogMessage(diag::msg::kTargetFinished, file, exitCode_));
    write(folder.Finish());
  });
}

std::string ServerConnection::CommandTextFor(const std::string& text) {
  if (!server_.StripsDirectoryFor(Socket().PeerAddress(), Socket().LocalAddress())) return text;
  return StripProgramDirectory(text);
}

int ServerConnection::RunCommand(const engine::CommandLine& line) {
  exitReceived_ = false;
  SendLine(FormatCommandExec(CommandTextFor(line.text), static_cast<int>(line.inlineKind), line.inlineFileName,
                             line.inlineContent));
  switch (WaitReply()) {
    case ReplyOutcome::Garbled:
    case ReplyOutcome::Unexpected:
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectionFailed));
      Disconnect();
      return 1;
    case ReplyOutcome::Error:
      ShowAndLog(diag::FormatCatalogMessage(diag::msg::kClientReturnedError, ErrorText()));
      Disconnect();
      return 1;
    default: break;
  }
  std::string text;  // one buffer for every line of the command
  // A client that says nothing for the read limit (frozen, or its link
  // down) is given up, so that another client builds the target; half way
  // there the console names it.
  Clock::time_point heard = Clock::now();
  bool silenceNamed = false;
  for (;;) {
    const int read = ReadMessageLine(false, text);
    if (read == kLineLost || read == kLineTimedOut) {
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectionLost));
      phase_ = kWaitingForClient;
      return 2;
    }
    if (read == kLineNone) {
      if (HandleOneEvent()) continue;
      if (readLimitMs_ < 0) {
        WaitForWake();
        continue;
      }
      const Clock::time_point now = Clock::now();
      const Clock::time_point named = heard + std::chrono::milliseconds(readLimitMs_ / 2);
      const Clock::time_point givenUp = heard + std::chrono::milliseconds(readLimitMs_);
      if (now >= givenUp) {
        GiveUpSilentClient();
        return 2;
      }
      if (!silenceNamed && now >= named) {
        silenceNamed = true;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - heard).count();
        const std::string note =
            diag::FormatCatalogMessage(diag::msg::kClientSilent, clientName_, static_cast<int>(seconds));
        server_.Console(note, false);
        ShowAndLog(note);
      }
      WaitForWake(silenceNamed ? &givenUp : &named);
      continue;
    }
    heard = Clock::now();
    silenceNamed = false;
    std::int32_t value = 0;
    if (ParseMessage(text, kMessageNone, value) != kParseAccepted) continue;
    if (LastKind() == kMessageBuildPhaseClientCancel) {
      ShowAndLog(diag::LoadMessage(diag::msg::kCancelledByClient));
      SendLine(FormatOk());
      CloseBuildPhase();
      return 1;
    }
    if (LastKind() == kMessageCommandExit) {
      SendLine(FormatOk());
      return exitCode_;
    }
  }
}

void ServerConnection::GiveUpSilentClient() {
  const std::string note =
      diag::FormatCatalogMessage(diag::msg::kClientGivenUp, clientName_, readLimitMs_ / (60 * 1000));
  server_.Console(note, false);
  ShowAndLog(note);
  Disconnect();
}

bool ServerConnection::HandleOneEvent() {
  int event = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.empty()) return false;
    event = events_.front();
    events_.pop_front();
  }
  if (event == kEventClose) CloseBuildPhase();
  if (event == kEventCancel) CancelBuildPhase();
  return true;
}

void ServerConnection::EndPhase(const std::string& message) {
  SendLine(message);
  WaitReply();
  Disconnect();
}

void ServerConnection::CloseBuildPhase() {
  if (phase_ != kBuildPhase) {
    Disconnect();
    return;
  }
  EndPhase(FormatBuildPhaseClose());
  ShowAndLog(diag::LoadMessage(diag::msg::kDisconnected));
}

void ServerConnection::CancelBuildPhase() {
  if (phase_ != kBuildPhase) {
    Disconnect();
    return;
  }
  SendLine(FormatBuildPhaseCancel());
  WaitReply();
  CloseBuildPhase();
}

void ServerConnection::Disconnect() {
  // What was sent last (a close, an answer) still goes out.
  Socket().WaitSent(kLastSendLimitMs);
  Socket().CloseSocket();
  phase_ = kWaitingForClient;
}

void ServerConnection::ShowAndLog(const std::string& text) {
  server_.ViewConnectionText(id_, clientName_, clientNumber_, text);
  server_.Log(peerAddress_ + "[" + clientName_ + "] " + text);
}

}  // namespace distributed
