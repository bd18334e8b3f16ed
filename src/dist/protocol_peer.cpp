#include "dist/protocol_peer.h"

#include <chrono>

namespace dist {

int ServerReadLimitMs(bool timeoutOn, int timeoutMinutes) {
  if (!timeoutOn) return kNoReadLimit;
  constexpr long long kMaxMs = 0x7FFFFFFF;
  const long long ms = static_cast<long long>(timeoutMinutes < 0 ? 0 : timeoutMinutes) * 60 * 1000;
  return static_cast<int>(ms < kMaxMs ? ms : kMaxMs);
}

ProtocolPeer::ProtocolPeer() {
  RegisterMessage(kMessageOk, [](const std::vector<std::string>&) {});
  RegisterMessage(kMessageError, kErrorArguments, [this](const std::vector<std::string>& arguments) {
    errorClass_ = ArgumentNumber(arguments[0]);
    errorText_ = arguments[1];
  });
}

int ProtocolPeer::RegisterMessage(int kind, MessageHandler handler) {
  return RegisterMessage(kind, MessageRowOf(kind).argumentCount, std::move(handler));
}

int ProtocolPeer::RegisterMessage(int kind, int argumentCount, MessageHandler handler) {
  const MessageRow& row = MessageRowOf(kind);
  if (row.kind != kind || *row.name == '\0' || !handler) return 1;
  Registration& registration = registrations_[static_cast<std::size_t>(kind)];
  registration = Registration{this, kind, std::move(handler)};
  return evaluator_.RegisterFunction(Dispatch, row.name, argumentCount, &registration);
}

std::int32_t ProtocolPeer::Dispatch(const std::vector<std::string>& arguments, void* data) {
  Registration& registration = *static_cast<Registration*>(data);
  registration.peer->lastKind_ = registration.kind;
  registration.handler(arguments);
  return 0;
}

int ProtocolPeer::ParseMessage(const std::string& line, int expectedKind, std::int32_t& value) {
  lastKind_ = kMessageNone;
  value = 0;
  std::string result;
  if (evaluator_.Evaluate(line, result) != makefile::kEvalSuccess) return kParseGarbled;
  value = ArgumentNumber(result);
  // A bare word or number evaluates without calling any handler.
  if (lastKind_ == kMessageNone) return kParseGarbled;
  return expectedKind == kMessageNone || expectedKind == lastKind_ ? kParseAccepted : kParseOtherKind;
}

int ProtocolPeer::ReadMessageLine(bool wait, std::string& line) {
  using Clock = std::chrono::steady_clock;
  line.clear();
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(readLimitMs_ < 0 ? 0 : readLimitMs_);
  for (;;) {
    if (socket_.TakeLine(line) >= 0) return kLineTaken;
    if (!socket_.IsReceiving()) {
      socket_.CloseSocket();
      return kLineLost;
    }
    if (!wait) return kLineNone;
    int timeoutMs = -1;
    if (readLimitMs_ >= 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) {
        socket_.CloseSocket();
        return kLineTimedOut;
      }
      timeoutMs = static_cast<int>(left);
    }
    // Returns on a line, the end of receiving, the time limit or Wake().
    if (!socket_.WaitLine(timeoutMs) && socket_.IsReceiving() &&
        (readLimitMs_ < 0 || Clock::now() < deadline)) {
      return kLineNone;
    }
  }
}

ReplyOutcome ProtocolPeer::WaitReply() {
  std::string line;
  if (ReadMessageLine(true, line) != kLineTaken) return ReplyOutcome::NoReply;
  std::int32_t value = 0;
  switch (ParseMessage(line, kMessageOk, value)) {
    case kParseAccepted: return ReplyOutcome::Ok;
    case kParseGarbled: return ReplyOutcome::Garbled;
    default: break;
  }
  switch (ParseMessage(line, kMessageError, value)) {
    case kParseAccepted: return ReplyOutcome::Error;
    case kParseGarbled: return ReplyOutcome::Garbled;
    default: return ReplyOutcome::Unexpected;
  }
}

int ProtocolPeer::SendLine(std::string_view line) { return socket_.Send(line, false); }

}  // namespace dist
