// Protocol peers for tests: a peer that keeps the last arguments, a client
// end that answers as scripted, and a line reader made of the evaluator.
#pragma once

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "distributed/protocol_messages.h"
#include "distributed/message_reader.h"
#include "makefile/expression_evaluator.h"
#include "platform/file_status.h"
#include "platform/socket_test_support.h"
#include "support/memory_files.h"

namespace protocol_test {

using socket_testing::kHangGuardMs;
using socket_testing::Notes;

// A command's output by channel and its exit code (INT_MIN: no CommandExit).
struct CommandResult {
  std::string out;
  std::string err;
  int exitCode = INT_MIN;
};

class TestPeer : public distributed::MessageReader {
 public:
  TestPeer() {
    for (int kind = distributed::kMessageBuildConnection; kind <= distributed::kMessageCommandExit; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }
  using MessageReader::RegisterMessage;
  socket_testing::BlockingStream& Stream() { return stream_; }

  void SendLine(std::string line) { stream_.Send(std::move(line)); }
  // The kind of the next line: 0 when garbled, -1 when none came.
  int ReadKind(std::string* line = nullptr) {
    std::string taken;
    if (!stream_.ReadLine(taken)) return -1;
    if (line) *line = taken;
    std::int32_t value = 0;
    return ParseMessage(taken, distributed::kMessageNone, value) == distributed::kParseAccepted ? LastKind() : 0;
  }

  // The next line sorted as a reply.
  distributed::ReplyOutcome WaitReply() {
    std::string line;
    if (!stream_.ReadLine(line)) return distributed::ReplyOutcome::NoReply;
    return ClassifyReply(line);
  }

  // Collects CommandOut pieces until CommandExit; stops at any other line.
  CommandResult ReadCommandResult() {
    CommandResult result;
    for (int lines = 0; lines < 100000; ++lines) {
      const int kind = ReadKind();
      if (kind == distributed::kMessageCommandExit) result.exitCode = distributed::ArgumentNumber(arguments_[0]);
      if (kind != distributed::kMessageCommandOut) break;
      const distributed::CommandOutArguments piece = distributed::ReadCommandOut(arguments_);
      (piece.channel == distributed::kChannelStderr ? result.err : result.out) += piece.text;
    }
    return result;
  }

 private:
  std::vector<std::string> arguments_;
  socket_testing::BlockingStream stream_;
};

// The makefile evaluator with every message name of the table registered,
// keeping the arguments of the last call: how a peer that knows only plain
// form reads a line.
class LineReader {
 public:
  LineReader() {
    for (const distributed::MessageRow& row : distributed::MessageTable()) {
      if (row.kind < distributed::kMessageOk || row.kind > distributed::kMessageCommandExit) continue;
      const int count = row.kind == distributed::kMessageError ? distributed::kErrorArguments : row.argumentCount;
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

// How a scripted client answers. Commands are "make NAME" (NAME is made,
// "made NAME" and CR LF on standard output, as a Windows client sends it), "fail N" (exit code N, a line on
// standard error) and "gate NAME" (waits until `gate` holds "open", then
// makes NAME); any other sends its inline content back on standard output,
// its line on standard error, and exit code 7.
struct ClientScript {
  std::string name = "CLIENT";
  std::string openReply = "OK()\r\n";          // empty: close instead of answering
  std::optional<std::string> execReply = {};  // sent instead of running a command; empty: close
  Notes* gate = nullptr;
};

// Connects, introduces itself and serves on a thread of its own until the
// server ends the phase or the script drops the connection. Notes what it
// received: "greeted", "open", "exec <command>", "cancel", "close",
// "refused <the error's text>" (no OK to its greeting), "unreachable".
class ScriptedClient : public TestPeer, public Notes {
 public:
  ScriptedClient(testing_support::MemoryFiles& files, ClientScript script, int port)
      : files_(files), script_(std::move(script)) {
    thread_ = std::thread([this, port] { Serve(port); });
  }
  ~ScriptedClient() override { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  std::vector<std::string> Execs() {
    std::vector<std::string> execs;
    for (const std::string& note : All()) {
      if (note.rfind("exec ", 0) == 0) execs.push_back(note.substr(5));
    }
    return execs;
  }

 private:
  void Serve(int port) {
    if (!Stream().Connect(port)) return Add("unreachable");
    SendLine(distributed::FormatBuildClientConnect(script_.name, 500));
    if (WaitReply() != distributed::ReplyOutcome::Ok) return Add("refused " + ErrorText());
    Add("greeted");
    // Bounded: each message is answered, and the server ends the phase.
    for (int messages = 0; messages < 1000; ++messages) {
      const int kind = ReadKind();
      if (kind == -1) return;
      if (kind == distributed::kMessageBuildPhaseOpen) {
        Add("open");
        if (script_.openReply.empty()) return Stream().Close();
        SendLine(script_.openReply);
      } else if (kind == distributed::kMessageCommandExec) {
        const distributed::CommandExecArguments exec = distributed::ReadCommandExec(Arguments());
        Add("exec " + exec.commandLine);
        if (!script_.execReply) {
          Run(exec);
        } else if (script_.execReply->empty()) {
          return Stream().Close();
        } else {
          SendLine(*script_.execReply);
        }
      } else if (kind == distributed::kMessageBuildPhaseCancel) {
        Add("cancel");
        SendLine(distributed::FormatOk());
      } else if (kind == distributed::kMessageBuildPhaseClose) {
        Add("close");
        SendLine(distributed::FormatOk());
        Stream().WaitSent();
        return Stream().Close();
      }
    }
  }

  void Run(const distributed::CommandExecArguments& exec) {
    SendLine(distributed::FormatOk());
    const std::string& command = exec.commandLine;
    int exitCode = 0;
    const bool gated = command.rfind("gate ", 0) == 0;
    if (gated && script_.gate) script_.gate->WaitFor("open");
    if (gated || command.rfind("make ", 0) == 0) {
      files_.Make(command.substr(5));
      SendLine(distributed::FormatCommandOut(distributed::kChannelStdout, "made " + command.substr(5) + "\r\n"));
    } else if (command.rfind("fail ", 0) == 0) {
      exitCode = std::atoi(command.c_str() + 5);
      SendLine(distributed::FormatCommandOut(distributed::kChannelStderr, "failing\n"));
    } else {
      SendLine(distributed::FormatCommandOut(distributed::kChannelStdout, exec.content));
      SendLine(distributed::FormatCommandOut(distributed::kChannelStderr, command));
      exitCode = 7;
    }
    SendLine(distributed::FormatCommandExit(exitCode));
  }

  testing_support::MemoryFiles& files_;
  const ClientScript script_;
  std::thread thread_;
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
