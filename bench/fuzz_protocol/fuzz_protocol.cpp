// libFuzzer entry for what arrives from the network. The first byte picks
// the use of the rest: a message line read by the server's and the client's
// set of names, or a text that must travel through every message that
// carries one and come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "dist/protocol_messages.h"
#include "dist/protocol_peer.h"

namespace {

// A peer accepting the names of one side, from `first` to `last`.
class SidePeer : public dist::ProtocolPeer {
 public:
  SidePeer(int first, int last) {
    for (int kind = first; kind <= last; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
  }
  void Parse(const std::string& line) {
    std::int32_t value = 0;
    const int result = ParseMessage(line, dist::kMessageNone, value);
    if (result != dist::kParseAccepted && result != dist::kParseGarbled) std::abort();
    if (result != dist::kParseAccepted) return;
    if (LastKind() == dist::kMessageCommandExec) dist::ReadCommandExec(arguments_);
    if (LastKind() == dist::kMessageCommandOut) dist::ReadCommandOut(arguments_);
  }
  // Parses every line of `lines` and gives the last arguments.
  const std::vector<std::string>& ParseAll(const std::string& lines) {
    for (std::size_t from = 0, end; (end = lines.find("\r\n", from)) != std::string::npos; from = end + 2) {
      Parse(lines.substr(from, end - from));
      if (LastKind() == dist::kMessageCommandOut) output_ += dist::ReadCommandOut(arguments_).text;
    }
    return arguments_;
  }
  std::string output_;

 private:
  std::vector<std::string> arguments_;
};

SidePeer& Server() {
  static SidePeer peer(dist::kMessageBuildClientConnect, dist::kMessageCommandExit);
  return peer;
}
SidePeer& Client() {
  static SidePeer peer(dist::kMessageBuildConnection, dist::kMessageCommandExec);
  return peer;
}

void CheckTravels(const std::string& text) {
  Server().output_.clear();
  Server().ParseAll(dist::FormatCommandOut(dist::kChannelStderr, text));
  if (Server().output_ != text) std::abort();
  const dist::CommandExecArguments exec =
      dist::ReadCommandExec(Client().ParseAll(dist::FormatCommandExec(text, 1, text, text)));
  if (exec.commandLine != text || exec.inlineName != text || exec.content != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    CheckTravels(rest);
  } else {
    Server().Parse(rest);
    Client().Parse(rest);
  }
  return 0;
}
