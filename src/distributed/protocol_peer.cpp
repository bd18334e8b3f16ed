#include "distributed/protocol_peer.h"

#include <chrono>

namespace distributed {

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
  return ClassifyReply(line);
}

int ProtocolPeer::SendLine(std::string_view line) { return socket_.Send(line, false); }

}  // namespace distributed
