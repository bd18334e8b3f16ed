// What running a command through the resident client adds: an in-process
// client in local mode serves a minimal server on 127.0.0.1, which sends
// one CommandExec at a time and reads CommandOut lines up to CommandExit,
// as a server does; the same command run by a DirectRunner in this process
// is the baseline. Prints the mean wall time per command for both.
//
//   client_bench COUNT COMMAND...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "distributed/build_client.h"
#include "distributed/protocol_messages.h"
#include "distributed/message_reader.h"
#include "exec/direct_runner.h"
#include "platform/network_startup.h"
#include "platform/socket_calls.h"
#include "support/line_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point begin) {
  return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

// The server side of one connection: registers what a client sends.
class BenchServer : public distributed::MessageReader {
 public:
  BenchServer() {
    for (int kind : {distributed::kMessageBuildClientConnect, distributed::kMessageCommandOut, distributed::kMessageCommandExit}) {
      RegisterMessage(kind, [](const std::vector<std::string>&) {});
    }
  }
  // The kind of the next line; -1 when the connection ended.
  int ReadKind() {
    std::string line;
    if (!socket_.ReadLine(line)) return -1;
    std::int32_t value = 0;
    return ParseMessage(line, distributed::kMessageNone, value) == distributed::kParseAccepted ? LastKind() : 0;
  }
  distributed::ReplyOutcome WaitReply() {
    std::string line;
    return socket_.ReadLine(line) ? ClassifyReply(line) : distributed::ReplyOutcome::NoReply;
  }
  void SendLine(std::string_view line) { socket_.Send(line); }
  bench::LineSocket socket_;
};

double RunLocal(int count, const std::string& command) {
  exec::DirectRunner runner;
  runner.Start();
  std::string text;
  const Clock::time_point begin = Clock::now();
  for (int i = 0; i < count; ++i) {
    runner.Exec(command);
    while (runner.IsRunning()) {
      runner.TakeStdout(text);
      runner.TakeStderr(text);
    }
    runner.TakeStdout(text);
    runner.TakeStderr(text);
    runner.ExitCode();
  }
  return MsSince(begin);
}

double RunRemote(int count, const std::string& command) {
  namespace calls = platform::socket_calls;
  platform::Ipv4Address loopback = 0;
  calls::ParseDotted("127.0.0.1", loopback);
  const platform::SocketHandle listener = calls::Create(platform::SocketKind::Stream);
  if (!calls::Bind(listener, loopback, 0) || !calls::Listen(listener, 5)) return -1;
  distributed::BuildClient client;
  distributed::ClientSettings settings;
  settings.machineName = "BENCH";
  client.SetLocalMode(calls::LocalPort(listener));
  client.ApplySettings(settings);
  client.StartClientThread();
  BenchServer server;
  platform::Ipv4Address peer = 0;
  int peerPort = 0;
  server.socket_.Adopt(calls::Accept(listener, peer, peerPort));
  calls::Destroy(listener);
  if (server.socket_.Handle() == platform::kNoSocket) return -1;
  if (server.ReadKind() != distributed::kMessageBuildClientConnect) return -1;
  server.SendLine(distributed::FormatOk());
  server.SendLine(distributed::FormatBuildPhaseOpen("SRV"));
  if (server.WaitReply() != distributed::ReplyOutcome::Ok) return -1;
  const std::string exec = distributed::FormatCommandExec(command, 0, "", "");
  const Clock::time_point begin = Clock::now();
  for (int i = 0; i < count; ++i) {
    server.SendLine(exec);
    if (server.WaitReply() != distributed::ReplyOutcome::Ok) return -1;
    int kind = 0;
    while ((kind = server.ReadKind()) == distributed::kMessageCommandOut) {
    }
    if (kind != distributed::kMessageCommandExit) return -1;
    server.SendLine(distributed::FormatOk());
  }
  const double total = MsSince(begin);
  server.SendLine(distributed::FormatBuildPhaseClose());
  server.WaitReply();
  client.StopClientThread();
  calls::Destroy(server.socket_.Handle());
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: client_bench COUNT COMMAND...\n");
    return 2;
  }
  const int count = std::atoi(argv[1]);
  std::string command = argv[2];
  for (int i = 3; i < argc; ++i) command += std::string(" ") + argv[i];
  platform::StartNetworking();
  const double local = RunLocal(count, command);
  const double remote = RunRemote(count, command);
  platform::StopNetworking();
  if (remote < 0) {
    std::fprintf(stderr, "the remote run failed\n");
    return 1;
  }
  std::printf("%-24s %6d commands  local %7.3f ms/command  remote %7.3f ms/command  added %6.3f ms\n",
              command.c_str(), count, local / count, remote / count, (remote - local) / count);
  return 0;
}
