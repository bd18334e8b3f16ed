#include "platform/tcp_socket.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <thread>

#include "platform/free_port.h"
#include "platform/socket_test_support.h"

namespace {

using platform::TcpSocket;
using socket_testing::ConnectedPair;
using socket_testing::kHangGuardMs;
using socket_testing::kUnresolvableHost;
using socket_testing::Listen;
using socket_testing::TakeLines;

TEST(ResolveTest, DottedTextsAndNames) {
  const platform::Ipv4Address loopback = platform::Resolve("127.0.0.1");
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&loopback)[0], 127);  // network order
  EXPECT_EQ(platform::DottedAddress(loopback), "127.0.0.1");
  EXPECT_EQ(platform::DottedAddress(platform::Resolve("10.1.2.3")), "10.1.2.3");
  EXPECT_EQ(platform::Resolve("0.0.0.0"), 0u);
  EXPECT_EQ(platform::Resolve(kUnresolvableHost), 0u);
  EXPECT_EQ(platform::Resolve(""), 0u);
}

TEST(TcpSocketTest, LinesEndOnlyAtCrLf) {
  for (const socket_testing::LineCase& c : socket_testing::LineCases()) {
    ConnectedPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Connect());
    SCOPED_TRACE(testing::PrintToString(c.sends));
    for (const std::string& piece : c.sends) EXPECT_EQ(pair.client.Send(piece), 0);
    std::string line;
    for (const std::string& expected : c.lines) {
      ASSERT_TRUE(pair.server.WaitLine(kHangGuardMs));
      EXPECT_EQ(pair.server.TakeLine(line), static_cast<int>(expected.size() + 2));  // the bytes removed
      EXPECT_EQ(line, expected);
    }
    EXPECT_EQ(pair.server.TakeLine(line), -1);
  }
}

// Lines of every byte value but LF, of many lengths (one of several MB),
// several MB each way at once: both arrive whole and in order.
TEST(TcpSocketTest, LargeTransfersBothWays) {
  std::mt19937 random(8);
  std::vector<std::string> lines = {std::string(3 * 1024 * 1024, '\r')};
  std::string stream = lines[0] + "\r\n";
  while (stream.size() < 6 * 1024 * 1024) {
    std::string line(random() % 3000, '\0');
    for (char& c : line) {
      c = static_cast<char>(random() % 255);
      if (c == '\n') c = '\xff';
    }
    stream += line + "\r\n";
    lines.push_back(std::move(line));
  }
  ConnectedPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  // Both ends read while both send: receiving holds back once enough whole
  // lines wait, so a peer that never reads would stall the sender.
  std::vector<std::string> atClient;
  std::vector<std::string> atServer;
  std::thread clientReader([&] { atClient = TakeLines(pair.client, lines.size()); });
  std::thread serverReader([&] { atServer = TakeLines(pair.server, lines.size()); });
  for (std::size_t at = 0; at < stream.size(); at += 100000) {
    pair.client.Send(std::string_view(stream).substr(at, 100000));
    pair.server.Send(std::string_view(stream).substr(at, 100000));
  }
  clientReader.join();
  serverReader.join();
  EXPECT_TRUE(atServer == lines);
  EXPECT_TRUE(atClient == lines);
  EXPECT_TRUE(pair.client.WaitSent(kHangGuardMs));
}

// A send without force needs a connection (see ConnectOutcomes): here one.
// Receiving ends with the peer; sending goes on until a send fails.
TEST(TcpSocketTest, PeerCloseEndsReceivingThenSending) {
  ConnectedPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  EXPECT_EQ(pair.client.Send("last\r\n", false), 0);
  ASSERT_TRUE(pair.client.WaitSent(kHangGuardMs));
  pair.client.CloseSocket();
  EXPECT_EQ(TakeLines(pair.server, 1), std::vector<std::string>{"last"});
  EXPECT_FALSE(pair.server.WaitLine(kHangGuardMs));
  EXPECT_EQ(pair.server.State(), platform::kSocketReceiveEnded);
  EXPECT_FALSE(pair.server.IsReceiving());
  EXPECT_EQ(pair.client.State(), platform::kSocketClosed);
  for (int i = 0; i < 100 && pair.server.WaitSent(kHangGuardMs); ++i) pair.server.Send("more\r\n");
  EXPECT_EQ(pair.server.Send("dropped\r\n"), 0);
  pair.server.CloseSocket();
  EXPECT_EQ(pair.server.State(), platform::kSocketClosed);
}

TEST(TcpSocketTest, ConnectOutcomes) {
  TcpSocket refusing;  // bound but not listening: connects are refused
  ASSERT_EQ(refusing.OpenSocket(), 0);
  ASSERT_EQ(refusing.Bind("127.0.0.1", 0), 0);
  const struct {
    std::string host;
    int expected;
  } cases[] = {
      {"127.0.0.1", platform::kSocketConnectFailed},
      {kUnresolvableHost, platform::kSocketUnresolved},
  };
  for (const auto& c : cases) {
    TcpSocket client;
    EXPECT_EQ(client.Connect(c.host, refusing.Port()), 1);  // not opened
    ASSERT_EQ(client.OpenSocket(), 0);
    EXPECT_EQ(client.Send("x", false), 1);
    EXPECT_EQ(client.Send("x", true), 0);
    ASSERT_EQ(client.Connect(c.host, refusing.Port()), 0);
    EXPECT_EQ(client.AddressText(), c.host);
    EXPECT_EQ(client.WaitConnected(kHangGuardMs), c.expected) << c.host;
    EXPECT_EQ(client.Connect(c.host, refusing.Port()), 1);
  }
}

TEST(TcpSocketTest, AddressesAndPorts) {
  ConnectedPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  EXPECT_EQ(pair.listener.AddressText(), "127.0.0.1");
  EXPECT_EQ(pair.server.AddressText(), "127.0.0.1");
  EXPECT_EQ(pair.server.State(), platform::kSocketConnected);
  EXPECT_EQ(pair.client.PeerAddress(), platform::Resolve("127.0.0.1"));
  EXPECT_EQ(pair.client.Port(), pair.listener.Port());
  EXPECT_EQ(pair.server.LocalAddress(), platform::Resolve("127.0.0.1"));

  TcpSocket taken;  // the listener's port is in use
  ASSERT_EQ(taken.OpenSocket(), 0);
  EXPECT_EQ(taken.Bind("127.0.0.1", pair.listener.Port()), 2);
  EXPECT_EQ(taken.Bind(kUnresolvableHost, 0), 1);
  EXPECT_EQ(taken.Bind("", 0), 0);
  EXPECT_EQ(taken.AddressText(), "0.0.0.0");
  EXPECT_NE(taken.Port(), 0);
}

TEST(TcpSocketTest, WakeAndCloseEndAWait) {
  ConnectedPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  pair.server.Send("question\r\n");  // the waits below are for an answer
  pair.server.Wake();  // the next wait
  EXPECT_FALSE(pair.server.WaitLine(-1));
  std::thread waiter([&] { EXPECT_FALSE(pair.server.WaitLine(-1)); });
  pair.server.Wake();  // the wait in progress (or the next one)
  waiter.join();
  EXPECT_TRUE(pair.server.IsReceiving());
  std::thread closed([&] { EXPECT_FALSE(pair.server.WaitLine(-1)); });
  pair.server.CloseSocket();  // the wait in progress, or the next one
  closed.join();
}

TEST(TcpSocketTest, ActivityCallbackSeesDataAndTheEnd) {
  ConnectedPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  socket_testing::Notes calls;
  pair.server.SetActivityCallback(
      [&] { calls.Add(pair.server.State() == platform::kSocketReceiveEnded ? "end" : "data"); });
  pair.client.Send("x\r\n");
  EXPECT_TRUE(calls.WaitFor("data"));
  pair.client.CloseSocket();
  EXPECT_TRUE(calls.WaitFor("end"));
}

// Every state closes, twice, and the wrapper opens again and connects. A
// connect to a listener whose queue is full would wait for minutes, an
// accept for ever: closing ends either at once.
TEST(TcpSocketTest, CloseInEveryStateAndReopen) {
  TcpSocket accepting;
  ASSERT_NO_FATAL_FAILURE(Listen(accepting));
  TcpSocket spare;
  int result = 0;
  std::thread accept([&] { result = accepting.Accept(spare); });
  accepting.CloseSocket();
  accept.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(spare.State(), platform::kSocketCreated);
  TcpSocket listener;  // the system accepts the connects; nobody takes them
  ASSERT_NO_FATAL_FAILURE(Listen(listener, 64));
  const int port = listener.Port();
  TcpSocket full;  // its queue holds one connection: `first`
  ASSERT_NO_FATAL_FAILURE(Listen(full, 0));
  TcpSocket first;
  ASSERT_EQ(first.OpenSocket(), 0);
  ASSERT_EQ(first.Connect("127.0.0.1", full.Port()), 0);
  ASSERT_EQ(first.WaitConnected(kHangGuardMs), platform::kSocketConnected);
  const struct {
    const char* name;
    std::function<void(TcpSocket&)> reach;
  } cases[] = {
      {"created", [](TcpSocket&) {}},
      {"open", [](TcpSocket& s) { s.OpenSocket(); }},
      {"listening", [](TcpSocket& s) { s.OpenSocket(), s.Bind("127.0.0.1", 0), s.Listen(1); }},
      {"connecting", [&](TcpSocket& s) {
         s.OpenSocket(), s.Connect("127.0.0.1", full.Port());
         EXPECT_EQ(s.State(), platform::kSocketConnecting);
       }},
      {"connected", [&](TcpSocket& s) { s.OpenSocket(), s.Connect("127.0.0.1", port), s.WaitConnected(kHangGuardMs); }},
      {"unresolved", [&](TcpSocket& s) { s.OpenSocket(), s.Connect(kUnresolvableHost, port), s.WaitConnected(kHangGuardMs); }},
  };
  for (const auto& c : cases) {
    TcpSocket socket;
    c.reach(socket);
    socket.CloseSocket();
    EXPECT_EQ(socket.State(), platform::kSocketClosed) << c.name;
    socket.CloseSocket();
    EXPECT_EQ(socket.State(), platform::kSocketClosed) << c.name;
    EXPECT_FALSE(socket.IsReceiving());
    ASSERT_EQ(socket.OpenSocket(), 0) << c.name;
    EXPECT_EQ(socket.State(), platform::kSocketOpen);
    ASSERT_EQ(socket.Connect("127.0.0.1", port), 0);
    EXPECT_EQ(socket.WaitConnected(kHangGuardMs), platform::kSocketConnected) << c.name;
    EXPECT_TRUE(socket.IsReceiving());
  }
}

TEST(TcpSocketTest, FreePortFromTheSystemTable) {
  TcpSocket socket;
  if (!socket.HasTcpTable()) GTEST_SKIP() << "no TCP table on this system";
  ASSERT_EQ(socket.OpenSocket(), 0);
  ASSERT_EQ(socket.BindFreePort(), 0);
  EXPECT_GE(socket.Port(), platform::kFirstFreePort);
}

}  // namespace
