#include "distributed/server_connection.h"

#include <algorithm>
#include <utility>

#include "diag/message_catalogue.h"
#include "distributed/build_server.h"
#include "distributed/program_path.h"
#include "engine/path_parts.h"
#include "platform/line_ends.h"
#include "platform/socket_calls.h"
#include "platform/text.h"

namespace distributed {
namespace {

// How long a closing connection lets its last message go out, and waits for
// the answer to a close or cancel when no shorter read limit is set: a
// client frozen at the end does not hold the server's exit for ever.
constexpr int kLastExchangeLimitMs = 10000;

}  // namespace

ServerConnection::ServerConnection(BuildServer& server, int id, std::unique_ptr<platform::LineStream> stream,
                                   platform::EventLoop& loop, int readLimitMs)
    : server_(server), id_(id), stream_(std::move(stream)), timer_(loop), readLimitMs_(readLimitMs) {
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

ServerConnection::~ServerConnection() { stream_->Close(); }

void ServerConnection::Start() {
  peerAddress_ = platform::DottedAddress(stream_->PeerAddress());
  stream_->SetEvents({.line = [this](std::string_view line) { OnLine(line); },
                      .closed = [this] { OnClosed(); },
                      .drained =
                          [this] {
                            if (step_ == Step::Draining) Ended(false);
                          }});
  stream_->StartReading();
  ExpectLine(readLimitMs_);
}

void ServerConnection::ExpectLine(int limitMs) {
  if (limitMs < 0) {
    timer_.Cancel();
    return;
  }
  timer_.Start(limitMs, [this] {
    switch (step_) {
      case Step::Greeting: Disconnect(); break;
      case Step::Opening:
        ShowAndLog(diag::LoadMessage(diag::msg::kConnectFailed));
        Disconnect();
        break;
      case Step::Sending:
        stream_->Close();
        Ended(true);
        break;
      case Step::Running: SilenceCheck(); break;
      case Step::Cancelling:
      case Step::Closing:
        Disconnect();
        ShowAndLog(diag::LoadMessage(diag::msg::kDisconnected));
        break;
      case Step::Draining:
        stream_->Close();
        Ended(false);
        break;
      default: break;
    }
  });
}

void ServerConnection::OnLine(std::string_view line) {
  switch (step_) {
    case Step::Greeting: Greeted(line); break;
    case Step::Opening: OpeningReplied(line); break;
    case Step::Sending: ExecReplied(line); break;
    case Step::Running: CommandLine(line); break;
    case Step::Idle: {
      std::int32_t value = 0;
      if (ParseMessage(line, kMessageBuildPhaseClientCancel, value) != kParseAccepted) break;
      ShowAndLog(diag::LoadMessage(diag::msg::kCancelledByClient));
      Send(FormatOk());
      SendBuildPhaseClose();
      break;
    }
    case Step::Cancelling:
    case Step::Closing: {
      // The running command's last output may come before the answer.
      std::int32_t value = 0;
      ParseMessage(line, kMessageNone, value);
      if (LastKind() == kMessageCommandOut || LastKind() == kMessageCommandExit) break;
      if (step_ == Step::Cancelling) {
        SendBuildPhaseClose();
      } else {
        Disconnect();
        ShowAndLog(diag::LoadMessage(diag::msg::kDisconnected));
      }
      break;
    }
    default: break;
  }
}

void ServerConnection::OnClosed() {
  switch (step_) {
    case Step::Opening: ShowAndLog(diag::LoadMessage(diag::msg::kConnectFailed)); break;
    case Step::Closing:
    case Step::Cancelling: ShowAndLog(diag::LoadMessage(diag::msg::kDisconnected)); break;
    default: break;
  }
  Ended(true);
}

void ServerConnection::Greeted(std::string_view line) {
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageBuildClientConnect, value) != kParseAccepted || value != 0) return;
  if (!server_.AllowsClient(peerAddress_, clientName_)) {
    const std::string refusal = diag::FormatCatalogMessage(diag::msg::kClientNotAllowed, clientName_, peerAddress_);
    ShowAndLog(refusal);
    // The client is told too, before the connection goes.
    Send(FormatError(0, refusal));
    Disconnect();
    return;
  }
  Send(FormatOk());
  ShowAndLog(diag::LoadMessage(diag::msg::kConnectionAccepted));
  ShowAndLog(diag::LoadMessage(diag::msg::kOpeningBuildPhase));
  Send(FormatBuildPhaseOpen(server_.MachineName()));
  step_ = Step::Opening;
  ExpectLine(readLimitMs_);
}

void ServerConnection::OpeningReplied(std::string_view line) {
  switch (ClassifyReply(line)) {
    case ReplyOutcome::Ok:
      timer_.Cancel();
      ShowAndLog(diag::LoadMessage(diag::msg::kBuildReady));
      server_.TraceWorker(*this, clientName_ + " " + peerAddress_);
      step_ = Step::Idle;
      waitShown_ = false;
      AskForTarget();
      return;
    case ReplyOutcome::Error: ShowAndLog(diag::LoadMessage(diag::msg::kConnectionRefused)); break;
    default: ShowAndLog(diag::LoadMessage(diag::msg::kConnectFailed)); break;
  }
  Disconnect();
}

void ServerConnection::HandOutChanged() {
  if (step_ == Step::Idle) AskForTarget();
}

void ServerConnection::AskForTarget() {
  server_.ViewStatusText(platform::NarrowFromUtf8(kStatusBuilding));
  const engine::HandOutResult next = server_.NextTarget();
  switch (next.kind) {
    case engine::HandOut::Wait:
      if (!waitShown_) ShowAndLog(diag::LoadMessage(diag::msg::kWaitingForTarget));
      waitShown_ = true;
      return;
    case engine::HandOut::NothingLeft:
      server_.ViewConnectionText(id_, clientName_, clientNumber_, diag::LoadMessage(diag::msg::kDisconnecting));
      server_.ViewStatusText(platform::NarrowFromUtf8(kStatusComplete));
      SendBuildPhaseClose();
      return;
    case engine::HandOut::Target: break;
  }
  waitShown_ = false;
  StartTarget(*next.target);
}

void ServerConnection::StartTarget(engine::TargetNode& target) {
  target_ = &target;
  line_ = 0;
  ShowAndLog(diag::FormatCatalogMessage(diag::msg::kBuildingTarget, target.name));
  server_.Console(diag::FormatCatalogMessage(diag::msg::kBuildingTargetOn,
                                             std::string(engine::LastPathComponent(target.name)), clientName_),
                  false);
  collectedStdout_.Clear();
  collectedStderr_.Clear();
  exitCode_ = 0;
  SendNextCommand();
}

void ServerConnection::SendNextCommand() {
  if (!target_->commands || line_ >= target_->commands->Lines().size()) {
    EndTarget(0);
    return;
  }
  const engine::CommandLine& line = target_->commands->Lines()[line_];
  exitCode_ = 0;
  exitReceived_ = false;
  commandStart_ = CommandStarting();
  Send(FormatCommandExec(CommandTextFor(line.text), static_cast<int>(line.inlineKind), line.inlineFileName,
                         line.inlineContent));
  step_ = Step::Sending;
  ExpectLine(readLimitMs_);
}

void ServerConnection::ExecReplied(std::string_view line) {
  switch (ClassifyReply(line)) {
    case ReplyOutcome::Ok:
      step_ = Step::Running;
      heard_ = std::chrono::steady_clock::now();
      silenceNamed_ = false;
      ExpectLine(readLimitMs_ < 0 ? readLimitMs_ : readLimitMs_ / 2);
      return;
    case ReplyOutcome::Error:
      ShowAndLog(diag::FormatCatalogMessage(diag::msg::kClientReturnedError, ErrorText()));
      break;
    default: ShowAndLog(diag::LoadMessage(diag::msg::kConnectionFailed)); break;
  }
  Disconnect();
}

void ServerConnection::CommandLine(std::string_view line) {
  // Reading the clock costs less than moving a timer for every line; the
  // timer looks at the time of the last line when it expires.
  if (readLimitMs_ >= 0) {
    heard_ = std::chrono::steady_clock::now();
    silenceNamed_ = false;
  }
  std::int32_t value = 0;
  if (ParseMessage(line, kMessageNone, value) != kParseAccepted) return;
  if (LastKind() == kMessageBuildPhaseClientCancel) {
    ShowAndLog(diag::LoadMessage(diag::msg::kCancelledByClient));
    Send(FormatOk());
    SendBuildPhaseClose();
    return;
  }
  if (LastKind() == kMessageCommandExit) {
    Send(FormatOk());
    step_ = Step::Idle;
    timer_.Cancel();
    CommandDone(exitCode_);
  }
}

// A client that says nothing for the read limit (frozen, or its link down)
// is given up, so that another client builds the target; half way there the
// console names it.
void ServerConnection::SilenceCheck() {
  const auto silent = std::chrono::steady_clock::now() - heard_;
  const int silentMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(silent).count());
  if (silentMs >= readLimitMs_) {
    const std::string note =
        diag::FormatCatalogMessage(diag::msg::kClientGivenUp, clientName_, readLimitMs_ / (60 * 1000));
    server_.Console(note, false);
    ShowAndLog(note);
    Disconnect();
    return;
  }
  const int namedAtMs = readLimitMs_ / 2;
  if (silentMs < namedAtMs) {
    ExpectLine(namedAtMs - silentMs);
    return;
  }
  if (!silenceNamed_) {
    silenceNamed_ = true;
    const std::string note = diag::FormatCatalogMessage(diag::msg::kClientSilent, clientName_, silentMs / 1000);
    server_.Console(note, false);
    ShowAndLog(note);
  }
  ExpectLine(readLimitMs_ - silentMs);
}

void ServerConnection::CommandDone(int result) {
  CommandEnded(*target_, line_, commandStart_, result);
  // A failure the build ignores, as locally: the next line runs.
  if (result != 0 && exitReceived_ && server_.IgnoresFailure(target_->commands->Lines()[line_])) result = 0;
  if (result != 0) {
    EndTarget(result);
    return;
  }
  ++line_;
  SendNextCommand();
}

void ServerConnection::EndTarget(int result) {
  engine::TargetNode& target = *std::exchange(target_, nullptr);
  const std::string file(engine::LastPathComponent(target.name));
  // Without an exit code the connection failed (or the build was stopped):
  // the command did not finish, and another client builds the target.
  const bool finished = result == 0 || exitCode_ != 0;
  if (finished || !collectedStdout_.Empty() || !collectedStderr_.Empty()) ShowResults(file, finished);

  engine::TargetOutcome outcome = engine::TargetOutcome::Lost;
  if (result == 0) {
    server_.ViewTargetFinished();
    ShowAndLog(diag::FormatCatalogMessage(diag::msg::kTargetBuilt, target.name));
    outcome = engine::TargetOutcome::Done;
  } else if (finished && server_.KeepsGoing()) {
    // With -K only what needs the target is left out.
    server_.CommandFailed(exitCode_);
    outcome = engine::TargetOutcome::Failed;
  } else if (finished) {
    ShowAndLog(diag::FormatCatalogMessage(diag::msg::kCommandFailedStopping, exitCode_));
    server_.CommandFailed(exitCode_);
    outcome = engine::TargetOutcome::Stopped;
  }
  server_.FinishTarget(target, outcome);
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

std::string ServerConnection::CommandTextFor(const std::string& text) const {
  if (!server_.StripsDirectoryFor(stream_->PeerAddress(), stream_->LocalAddress())) return text;
  return StripProgramDirectory(text);
}

bool ServerConnection::InPhase() const {
  return step_ == Step::Idle || step_ == Step::Sending || step_ == Step::Running;
}

int ServerConnection::LastExchangeLimitMs() const {
  return readLimitMs_ < 0 ? kLastExchangeLimitMs : std::min(readLimitMs_, kLastExchangeLimitMs);
}

void ServerConnection::ClosePhase() {
  if (InPhase()) {
    SendBuildPhaseClose();
  } else if (step_ == Step::Greeting || step_ == Step::Opening) {
    Disconnect();
  }
}

void ServerConnection::CancelPhase() {
  if (!InPhase()) {
    ClosePhase();
    return;
  }
  Send(FormatBuildPhaseCancel());
  step_ = Step::Cancelling;
  ExpectLine(LastExchangeLimitMs());
}

void ServerConnection::SendBuildPhaseClose() {
  Send(FormatBuildPhaseClose());
  step_ = Step::Closing;
  ExpectLine(LastExchangeLimitMs());
}

void ServerConnection::Disconnect() {
  // What was sent last (a close, an answer) still goes out.
  if (stream_->IsOpen() && stream_->QueuedBytes() > 0) {
    step_ = Step::Draining;
    ExpectLine(kLastExchangeLimitMs);
    return;
  }
  stream_->Close();
  Ended(false);
}

void ServerConnection::Ended(bool lost) {
  if (step_ == Step::Ended) return;
  const Step was = std::exchange(step_, Step::Ended);
  timer_.Cancel();
  stream_->Close();
  if (target_) {
    if (lost && (was == Step::Sending || was == Step::Running)) {
      ShowAndLog(diag::LoadMessage(diag::msg::kConnectionLost));
    }
    // An exit code that came after the cancel or close does not count:
    // the target goes back.
    exitCode_ = 0;
    exitReceived_ = false;
    CommandDone(2);
  }
  server_.ConnectionEnded(id_);
}

void ServerConnection::Send(std::string line) { stream_->Send(std::move(line)); }

void ServerConnection::ShowAndLog(const std::string& text) {
  server_.ViewConnectionText(id_, clientName_, clientNumber_, text);
  server_.Log(peerAddress_ + "[" + clientName_ + "] " + text);
}

}  // namespace distributed
