// Protocol peers for tests: one that registers every message of the table
// and keeps the last arguments, two of them joined over loopback, and a
// reader of message lines made of the makefile evaluator.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "dist/protocol_messages.h"
#include "dist/protocol_peer.h"
#include "makefile/expression_evaluator.h"
#include "platform/socket_test_support.h"

namespace protocol_test {

using socket_testing::kHangGuardMs;
using socket_testing::Notes;

// Every byte value, then the line ends and backslashes that plain form
// treats specially.
inline std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes + "\\\r\n\n\r\\";
}

// A command's output by channel and its exit code (INT_MIN: no CommandExit).
struct CommandResult {
  std::string out;
  std::string err;
  int exitCode = INT_MIN;
};

class TestPeer : public dist::ProtocolPeer {
 public:
  TestPeer() {
    for (int kind = dist::kMessageBuildConnection; kind <= dist::kMessageCommandExit; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
    SetReadLimit(kHangGuardMs);
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }
  using ProtocolPeer::RegisterMessage;

  // Reads one line with waiting and parses it as any kind; gives the kind,
  // 0 for a garbled line, or -1 when no line came.
  int ReadKind(std::string* line = nullptr) {
    std::string taken;
    if (ReadMessageLine(true, taken) != dist::kLineTaken) return -1;
    if (line) *line = taken;
    std::int32_t value = 0;
    return ParseMessage(taken, dist::kMessageNone, value) == dist::kParseAccepted ? LastKind() : 0;
  }

  // Collects CommandOut pieces until CommandExit; stops at any other line.
  CommandResult ReadCommandResult() {
    CommandResult result;
    for (int lines = 0; lines < 100000; ++lines) {
      const int kind = ReadKind();
      if (kind == dist::kMessageCommandExit) result.exitCode = dist::ArgumentNumber(arguments_[0]);
      if (kind != dist::kMessageCommandOut) break;
      const dist::CommandOutArguments piece = dist::ReadCommandOut(arguments_);
      (piece.channel == dist::kChannelStderr ? result.err : result.out) += piece.text;
    }
    return result;
  }

 private:
  std::vector<std::string> arguments_;
};

// A server peer and a client peer connected over loopback.
struct PeerPair {
  platform::TcpSocket listener;
  TestPeer server;
  TestPeer client;

  void Connect() { socket_testing::Connect(listener, server.Socket(), client.Socket()); }
};

// The makefile evaluator with every message name of the table registered,
// keeping the arguments of the last call: how a peer that knows only plain
// form reads a line.
class LineReader {
 public:
  LineReader() {
    for (const dist::MessageRow& row : dist::MessageTable()) {
      if (row.kind < dist::kMessageOk || row.kind > dist::kMessageCommandExit) continue;
      const int count = row.kind == dist::kMessageError ? dist::kErrorArguments : row.argumentCount;
      evaluator_.RegisterFunction(Store, row.name, count, this);
    }
  }

  // True when `line` (without CR LF) is one registered call.
  bool Read(const std::string& line) {
    arguments_.clear();
    called_ = false;
    std::string value;
    return evaluator_.Evaluate(line, value) == makefile::kEvalSuccess && called_;
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }

 private:
  static std::int32_t Store(const std::vector<std::string>& arguments, void* self) {
    static_cast<LineReader*>(self)->arguments_ = arguments;
    static_cast<LineReader*>(self)->called_ = true;
    return 0;
  }
  makefile::ExpressionEvaluator evaluator_;
  std::vector<std::string> arguments_;
  bool called_ = false;
};

// Cuts `bytes` into lines the way the transport does: at each CR LF.
inline std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", from)) {
    lines.push_back(bytes.substr(from, at - from));
    from = at + 2;
  }
  if (from < bytes.size()) lines.push_back(bytes.substr(from));
  return lines;
}

}  // namespace protocol_test
