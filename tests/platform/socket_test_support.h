// Loopback fixtures for the socket tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/network_startup.h"
#include "platform/tcp_socket.h"
#include "platform/udp_socket.h"

namespace socket_testing {

// Networking for the whole test program, once.
class NetworkingEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(platform::StartNetworking()); }
  void TearDown() override { platform::StopNetworking(); }
};
inline testing::Environment* const kNetworking = testing::AddGlobalTestEnvironment(new NetworkingEnvironment);

// Bounds every wait of a test, only so that a fault fails instead of hanging.
inline constexpr int kHangGuardMs = 30000;

// A UDP socket whose reader can wait for a datagram: until one is queued
// (true), receiving has ended, Wake() or the timeout (-1: none).
class WaitingUdpSocket : public platform::UdpSocket {
 public:
  bool WaitDatagram(int timeoutMs) { return WaitReceived(timeoutMs); }
};

// Texts in the order they were noted; a wait for one is bounded.
class Notes {
 public:
  void Add(std::string note) {
    std::lock_guard<std::mutex> lock(mutex_);
    notes_.push_back(std::move(note));
    changed_.notify_all();
  }
  std::vector<std::string> All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notes_;
  }
  bool Has(const std::string& note) {
    const std::vector<std::string> all = All();
    return std::find(all.begin(), all.end(), note) != all.end();
  }
  bool WaitFor(const std::string& note) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(kHangGuardMs),
                             [&] { return std::find(notes_.begin(), notes_.end(), note) != notes_.end(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> notes_;
};

// A name that does not resolve. Its first label is longer than a name
// server allows, so the resolver refuses it before sending any query: the
// lookup never leaves the machine.
inline const std::string kUnresolvableHost = std::string(64, 'x') + ".invalid";

// Accept with a hang guard: the listener is closed when no client comes.
inline bool AcceptWithin(platform::TcpSocket& listener, platform::TcpSocket& into) {
  std::promise<void> accepted;
  std::thread guard([&listener, done = accepted.get_future()] {
    if (done.wait_for(std::chrono::milliseconds(kHangGuardMs)) == std::future_status::timeout) listener.CloseSocket();
  });
  const bool ok = listener.Accept(into) == 0;
  accepted.set_value();
  guard.join();
  if (ok) {
    into.StartReceiving();
    into.StartSending();
  }
  return ok;
}

// Opens `socket` listening on 127.0.0.1, on a port the system chose.
inline void Listen(platform::TcpSocket& socket, int backlog = 5) {
  ASSERT_EQ(socket.OpenSocket(), 0);
  ASSERT_EQ(socket.Bind("127.0.0.1", 0), 0);
  ASSERT_NE(socket.Port(), 0);
  ASSERT_EQ(socket.Listen(backlog), 0);
}

// Connects `client` to `listener`, opened here on 127.0.0.1 (a port the
// system chose), and accepts the connection into `server`, with its
// threads running.
inline void Connect(platform::TcpSocket& listener, platform::TcpSocket& server, platform::TcpSocket& client) {
  ASSERT_NO_FATAL_FAILURE(Listen(listener));
  ASSERT_EQ(client.OpenSocket(), 0);
  ASSERT_EQ(client.Connect("127.0.0.1", listener.Port()), 0);
  ASSERT_TRUE(AcceptWithin(listener, server));
  ASSERT_EQ(client.WaitConnected(kHangGuardMs), platform::kSocketConnected);
}

struct ConnectedPair {
  platform::TcpSocket listener;
  platform::TcpSocket server;
  platform::TcpSocket client;
  void Connect() { socket_testing::Connect(listener, server, client); }
};

// Bytes cut into sends and the lines they make: lines end only at CR LF,
// however the bytes are cut.
struct LineCase {
  std::vector<std::string> sends;
  std::vector<std::string> lines;
};
inline std::vector<LineCase> LineCases() {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b == '\n' ? 'n' : b);
  return {
      {{"abc", "def\r\n"}, {"abcdef"}}, {{"one\r\ntwo\r\n"}, {"one", "two"}},     {{"a\nb\r\n"}, {"a\nb"}},
      {{"x\r", "\ny\r\n"}, {"x", "y"}}, {{"\r\n", "a\rb\r\r\n"}, {"", "a\rb\r"}}, {{everyByte + "\r\n"}, {everyByte}}};
}

// Takes `count` lines, waiting for each; stops early when the connection
// ends or a wait runs into the guard.
inline std::vector<std::string> TakeLines(platform::TcpSocket& socket, std::size_t count) {
  std::vector<std::string> lines;
  std::string line;
  while (lines.size() < count) {
    if (socket.TakeLine(line) >= 0) {
      lines.push_back(line);
    } else if (!socket.WaitLine(kHangGuardMs)) {
      break;
    }
  }
  return lines;
}

}  // namespace socket_testing
