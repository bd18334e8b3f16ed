// libFuzzer entry for what arrives from the network. The first byte picks
// the use of the rest: a message line read by the server's and the client's
// set of names, or a text that must travel through every message that
// carries one and come back unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "distributed/protocol_messages.h"
#include "distributed/message_reader.h"

namespace {

// A peer accepting the names of one side, from `first` to `last`.
class SidePeer : public distributed::MessageReader {
 public:
  SidePeer(int first, int last) {
    for (int kind = first; kind <= last; ++kind) {
      RegisterMessage(kind, [this](const std::vector<std::string>& arguments) { arguments_ = arguments; });
    }
  }
  void Parse(const std::string& line) {
    std::int32_t value = 0;
    const int result = ParseMessage(line, distributed::kMessageNone, value);
    if (result != distributed::kParseAccepted && result != distributed::kParseGarbled) std::abort();
    if (result != distributed::kParseAccepted) return;
    if (LastKind() == distributed::kMessageCommandExec) distributed::ReadCommandExec(arguments_);
    if (LastKind() == distributed::kMessageCommandOut) distributed::ReadCommandOut(arguments_);
  }
  // Parses every line of `lines` and gives the last arguments.
  const std::vector<std::string>& ParseAll(const std::string& lines) {
    for (std::size_t from = 0, end; (end = lines.find("\r\n", from)) != std::string::npos; from = end + 2) {
      Parse(lines.substr(from, end - from));
      if (LastKind() == distributed::kMessageCommandOut) output_ += distributed::ReadCommandOut(arguments_).text;
    }
    return arguments_;
  }
  std::string output_;

 private:
  std::vector<std::string> arguments_;
};

SidePeer& Server() {
  static SidePeer peer(distributed::kMessageBuildClientConnect, distributed::kMessageCommandExit);
  return peer;
}
SidePeer& Client() {
  static SidePeer peer(distributed::kMessageBuildConnection, distributed::kMessageCommandExec);
  return peer;
}

void CheckTravels(const std::string& text) {
  Server().output_.clear();
  Server().ParseAll(distributed::FormatCommandOut(distributed::kChannelStderr, text));
  if (Server().output_ != text) std::abort();
  const distributed::CommandExecArguments exec =
      distributed::ReadCommandExec(Client().ParseAll(distributed::FormatCommandExec(text, 1, text, text)));
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
