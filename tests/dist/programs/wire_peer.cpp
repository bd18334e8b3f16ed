// A client end of one conversation, for tests that run it as a separate
// program (the Windows build under Wine against a Linux test):
//   wire_peer PORT
// Connects to 127.0.0.1:PORT, greets, accepts the build phase, answers
// each CommandExec with OK and sends its command line back on standard
// error and its inline content on standard output, then exit code 7, and
// ends at BuildPhaseClose. Exit code 0 when the conversation went so.
#include <cstdlib>
#include <string>
#include <vector>

#include "dist/protocol_messages.h"
#include "dist/protocol_peer.h"
#include "platform/network_startup.h"

namespace {

class ClientEnd : public dist::ProtocolPeer {
 public:
  ClientEnd() {
    for (int kind = dist::kMessageBuildConnection; kind <= dist::kMessageCommandExec; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
    SetReadLimit(dist::kClientReadLimitMs);
  }

  int Converse() {
    SendLine(dist::FormatBuildClientConnect("wine-peer", 333));
    if (WaitReply() != dist::ReplyOutcome::Ok || Next() != dist::kMessageBuildPhaseOpen) return 2;
    SendLine(dist::FormatOk());
    for (int kind = Next(); kind == dist::kMessageCommandExec; kind = Next()) {
      SendLine(dist::FormatOk());
      const dist::CommandExecArguments exec = dist::ReadCommandExec(arguments_);
      SendLine(dist::FormatCommandOut(dist::kChannelStdout, exec.content));
      SendLine(dist::FormatCommandOut(dist::kChannelStderr, exec.commandLine));
      SendLine(dist::FormatCommandExit(7));
      if (WaitReply() != dist::ReplyOutcome::Ok) return 3;
    }
    if (LastKind() != dist::kMessageBuildPhaseClose) return 4;
    SendLine(dist::FormatOk());
    Socket().WaitSent(dist::kClientReadLimitMs);
    return 0;
  }

 private:
  int Next() {
    std::string line;
    if (ReadMessageLine(true, line) != dist::kLineTaken) return -1;
    std::int32_t value = 0;
    return ParseMessage(line, dist::kMessageNone, value) == dist::kParseAccepted ? LastKind() : 0;
  }
  std::vector<std::string> arguments_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || !platform::StartNetworking()) return 1;
  int result = 1;
  {
    ClientEnd peer;
    if (peer.Socket().OpenSocket() == 0 && peer.Socket().Connect("127.0.0.1", std::atoi(argv[1])) == 0 &&
        peer.Socket().WaitConnected(dist::kClientReadLimitMs) == platform::kSocketConnected) {
      result = peer.Converse();
    }
  }
  platform::StopNetworking();
  return result;
}
