// Two protocol peers on loopback (blocking sockets read in lines, as a
// reference for the loop's transport) beside raw blocking TCP moving the
// same bytes:
//   protocol_bench roundtrip COUNT   CommandExec answered by OK(), COUNT times
//   protocol_bench relay MEGABYTES [PIECE_KB]
//                                    command output as CommandOut lines of
//                                    PIECE_KB (4) kilobytes each
//   protocol_bench transport MEGABYTES
//                                    the same lines, formatted beforehand and
//                                    taken without parsing
//   protocol_bench codec MEGABYTES   formatting and parsing alone
// Prints one line per measurement; processor time counts every thread.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "distributed/protocol_messages.h"
#include "distributed/message_reader.h"
#include "platform/network_startup.h"
#include "platform/socket_calls.h"
#include "support/line_socket.h"

namespace {

namespace calls = platform::socket_calls;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }
double CpuSeconds(std::clock_t start) { return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

class Peer : public distributed::MessageReader {
 public:
  Peer() {
    for (int kind = distributed::kMessageBuildConnection; kind <= distributed::kMessageCommandExit; ++kind) {
      if (kind != distributed::kMessageCommandOut) RegisterMessage(kind, [](const std::vector<std::string>&) {});
    }
    // As the server collects output.
    RegisterMessage(distributed::kMessageCommandOut, [this](const std::vector<std::string>& arguments) {
      distributed::AppendCommandOutText(arguments, collected_);
    });
  }
  // Reads and parses one line; the kind, or -1 when the connection ended.
  int Next() {
    if (!socket_.ReadLine(line_)) return -1;
    std::int32_t value = 0;
    ParseMessage(line_, distributed::kMessageNone, value);
    return LastKind();
  }
  distributed::ReplyOutcome WaitReply() {
    return socket_.ReadLine(line_) ? ClassifyReply(line_) : distributed::ReplyOutcome::NoReply;
  }
  void SendLine(std::string_view line) { socket_.Send(line); }
  bench::LineSocket socket_;
  std::string collected_;
  std::string line_;  // reused, as the server reads a command's lines
};

// Two blocking stream sockets joined on loopback.
struct RawPair {
  platform::SocketHandle a = platform::kNoSocket;
  platform::SocketHandle b = platform::kNoSocket;
  bool Connect() { return bench::LineSocket::ConnectPair(a, b); }
  ~RawPair() {
    calls::Destroy(a);
    calls::Destroy(b);
  }
};

struct PeerPair {
  RawPair raw;
  Peer server;
  Peer client;
  bool Connect() {
    if (!raw.Connect()) return false;
    server.socket_.Adopt(raw.b);
    client.socket_.Adopt(raw.a);
    return true;
  }
};

bool SendAll(platform::SocketHandle handle, const std::string& bytes) {
  for (std::size_t sent = 0; sent < bytes.size();) {
    const int n = calls::Send(handle, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReceiveCount(platform::SocketHandle handle, std::size_t count, std::string& buffer) {
  buffer.resize(64 * 1024);
  while (count > 0) {
    const int n = calls::Receive(handle, buffer.data(), static_cast<int>(std::min(count, buffer.size())));
    if (n <= 0) return false;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

void RoundTrips(int count) {
  const std::string request = distributed::FormatCommandExec("cl /nologo /c /O2 src\\module.c", 0, "", "");
  const std::string reply = distributed::FormatOk();
  {
    PeerPair pair;
    if (!pair.Connect()) return void(std::puts("connect failed"));
    std::thread client([&] {
      while (pair.client.Next() == distributed::kMessageCommandExec) pair.client.SendLine(reply);
    });
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
      pair.server.SendLine(request);
      if (pair.server.WaitReply() != distributed::ReplyOutcome::Ok) return void(std::puts("round trip failed"));
    }
    const double seconds = Seconds(start);
    pair.server.SendLine(distributed::FormatBuildPhaseClose());
    client.join();
    std::printf("protocol round trip: %.1f us (%d round trips of %zu + %zu bytes)\n", seconds * 1e6 / count, count,
                request.size(), reply.size());
  }
  RawPair raw;
  if (!raw.Connect()) return void(std::puts("raw connect failed"));
  std::thread echo([&] {
    std::string buffer;
    for (int i = 0; i < count && ReceiveCount(raw.b, request.size(), buffer); ++i) SendAll(raw.b, reply);
  });
  std::string buffer;
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < count; ++i) {
    SendAll(raw.a, request);
    ReceiveCount(raw.a, reply.size(), buffer);
  }
  const double seconds = Seconds(start);
  echo.join();
  std::printf("raw TCP ping-pong:   %.1f us\n", seconds * 1e6 / count);
}

// What a client takes from a pipe at a time. A client that falls behind
// takes all its runner has queued (up to 1000 lines) in one piece.
constexpr std::size_t kPiece = 4096;

// Compiler-like output lines, read from a pipe in 4 KB pieces.
std::string OutputText(std::size_t size) {
  std::string text;
  text.reserve(size + 100);
  for (int i = 0; text.size() < size; ++i) {
    text += "src\\module" + std::to_string(i % 977) + ".c(" + std::to_string(i % 3000) +
            "): warning C4996: 'strcpy': \"unsafe\" function, consider strcpy_s\r\n";
  }
  text.resize(size);
  return text;
}

// The output as a client sends it: taken in pieces of `size` bytes, a final
// CR or backslash of a piece held back for the next (OutputToKeepBack).
std::vector<std::string_view> Pieces(std::string_view output, std::size_t size) {
  std::vector<std::string_view> pieces;
  while (!output.empty()) {
    std::string_view piece = output.substr(0, size);
    const std::size_t keep = piece.size() < output.size() ? distributed::OutputToKeepBack(piece) : 0;
    if (keep < piece.size()) piece.remove_suffix(keep);
    pieces.push_back(piece);
    output.remove_prefix(piece.size());
  }
  return pieces;
}

// Raw blocking TCP moving `output` from one socket to the other.
void RawThroughput(const std::string& output) {
  RawPair raw;
  if (!raw.Connect()) return void(std::puts("raw connect failed"));
  const int megabytes = static_cast<int>(output.size() >> 20);
  const std::clock_t cpuStart = std::clock();
  const Clock::time_point start = Clock::now();
  std::thread sender([&] { SendAll(raw.a, output); });
  std::string buffer;
  ReceiveCount(raw.b, output.size(), buffer);
  const double seconds = Seconds(start);
  const double cpu = CpuSeconds(cpuStart);
  sender.join();
  std::printf("raw TCP        %4d MB: %.3f s, %.1f MB/s, processor %.3f s\n", megabytes, seconds, megabytes / seconds, cpu);
}

void Relay(int megabytes, std::size_t pieceSize) {
  const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
  const std::string output = OutputText(size);
  const std::vector<std::string_view> pieces = Pieces(output, pieceSize);
  {
    PeerPair pair;
    if (!pair.Connect()) return void(std::puts("connect failed"));
    // Collected into memory touched beforehand, as raw TCP below reads into
    // one reused block: the first touch of fresh pages is the system's cost.
    // The slack is the room a piece takes while it is unfolded.
    pair.server.collected_.assign(size + 2 * pieceSize, '\0');
    pair.server.collected_.clear();
    const std::clock_t cpuStart = std::clock();
    const Clock::time_point start = Clock::now();
    std::thread client([&] {
      for (const std::string_view piece : pieces) {
        pair.client.SendLine(distributed::FormatCommandOut(distributed::kChannelStdout, piece));
      }
      pair.client.SendLine(distributed::FormatCommandExit(0));
    });
    while (pair.server.Next() == distributed::kMessageCommandOut) continue;
    const double seconds = Seconds(start);
    const double cpu = CpuSeconds(cpuStart);
    client.join();
    if (pair.server.collected_ != output) return void(std::puts("relayed output differs"));
    std::printf("protocol relay %4d MB in %zu KB lines: %.3f s, %.1f MB/s, processor %.3f s\n", megabytes,
                pieceSize >> 10, seconds, megabytes / seconds, cpu);
  }
  RawThroughput(output);
}

// The threads and buffers alone: the lines formatted beforehand, and the
// server taking them without parsing.
void Transport(int megabytes) {
  const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
  const std::string output = OutputText(size);
  std::vector<std::string> lines;
  std::size_t expected = 0;
  for (const std::string_view piece : Pieces(output, kPiece)) {
    lines.push_back(distributed::FormatCommandOut(distributed::kChannelStdout, piece));
    expected += lines.back().size();
  }
  {
    PeerPair pair;
    if (!pair.Connect()) return void(std::puts("connect failed"));
    const std::clock_t cpuStart = std::clock();
    const Clock::time_point start = Clock::now();
    std::thread client([&] {
      for (const std::string& line : lines) pair.client.SendLine(line);
      pair.client.SendLine(distributed::FormatCommandExit(0));
    });
    std::size_t taken = 0;
    std::string& line = pair.server.line_;
    while (pair.server.socket_.ReadLine(line) && line.rfind("CommandOut(", 0) == 0) {
      taken += line.size() + 2;
    }
    const double seconds = Seconds(start);
    const double cpu = CpuSeconds(cpuStart);
    client.join();
    if (taken != expected) return void(std::puts("lines lost on the way"));
    std::printf("protocol lines %4d MB: %.3f s, %.1f MB/s, processor %.3f s\n", megabytes, seconds, megabytes / seconds,
                cpu);
  }
  RawThroughput(output);
}

// The work of each end alone, on one thread: formatting the output as
// CommandOut lines, and parsing those lines back. Processor time, so that
// other load on the machine does not count. The second of two passes is
// measured: the first touches the memory both write into, whose first touch
// is the system's cost, as in the relay above.
void Codec(int megabytes) {
  const std::size_t size = static_cast<std::size_t>(megabytes) << 20;
  const std::string output = OutputText(size);
  const std::vector<std::string_view> pieces = Pieces(output, kPiece);
  std::vector<std::string> lines(pieces.size());
  Peer peer;
  peer.collected_.reserve(size + 2 * kPiece);
  double format = 0;
  double parse = 0;
  for (int pass = 0; pass < 2; ++pass) {
    std::clock_t start = std::clock();
    for (std::size_t i = 0; i < pieces.size(); ++i) lines[i] = distributed::FormatCommandOut(distributed::kChannelStdout, pieces[i]);
    format = CpuSeconds(start);
    peer.collected_.clear();
    start = std::clock();
    for (std::string& line : lines) {
      line.resize(line.size() - 2);
      std::int32_t value = 0;
      peer.ParseMessage(line, distributed::kMessageCommandOut, value);
    }
    parse = CpuSeconds(start);
  }
  if (peer.collected_ != output) return void(std::puts("decoded output differs"));
  std::printf("format %4d MB: %.1f MB/s; parse: %.1f MB/s\n", megabytes, megabytes / format, megabytes / parse);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 4 && std::string(argv[1]) == "relay")) {
    std::fprintf(stderr, "usage: protocol_bench roundtrip COUNT | relay MEGABYTES [PIECE_KB] | transport MEGABYTES | "
                 "codec MEGABYTES\n");
    return 2;
  }
  if (!platform::StartNetworking()) return 1;
  const std::string mode = argv[1];
  const int amount = std::atoi(argv[2]);
  if (mode == "roundtrip") RoundTrips(amount);
  const int pieceKb = argc == 4 ? std::atoi(argv[3]) : 4;
  if (mode == "relay" && pieceKb > 0) Relay(amount, static_cast<std::size_t>(pieceKb) << 10);
  if (mode == "transport") Transport(amount);
  if (mode == "codec") Codec(amount);
  platform::StopNetworking();
  return 0;
}
