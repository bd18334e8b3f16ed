#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/datagram_port.h"
#include "platform/loop_timer.h"
#include "platform/socket_calls.h"
#include "platform/socket_test_support.h"
#include "platform/stream_connection.h"
#include "platform/stream_listener.h"

namespace {

using platform::StreamConnection;
using socket_testing::kHangGuardMs;
using socket_testing::kLoopback;

// One loop run on the test's thread: callbacks stop it when the case is
// done; the guard timer only turns a fault into a failure.
struct LoopCase {
  platform::EventLoop loop;
  platform::LoopTimer guard{loop};
  bool guardFired = false;
  void Run() {
    guard.Start(kHangGuardMs, [this] {
      guardFired = true;
      loop.Stop();
    });
    loop.Run();
    guard.Cancel();
    EXPECT_FALSE(guardFired);
  }
};

// A listener and a connected pair of connections on one loop.
struct StreamPair : LoopCase {
  platform::StreamListener listener{loop};
  std::unique_ptr<StreamConnection> server;
  StreamConnection client{loop};

  // Runs the loop until both ends are connected.
  void Connect() {
    ASSERT_TRUE(listener.Listen(kLoopback, 0));
    ASSERT_NE(listener.Port(), 0);
    int ready = 0;
    auto oneReady = [this, &ready] {
      if (++ready == 2) loop.Stop();
    };
    listener.StartAccepting([this, oneReady](std::unique_ptr<StreamConnection> accepted) {
      server = std::move(accepted);
      EXPECT_EQ(server->PeerAddress(), kLoopback);
      server->StartReading();
      oneReady();
    });
    client.SetEvents({.connected = [oneReady](bool ok) {
      EXPECT_TRUE(ok);
      oneReady();
    }});
    client.Connect(kLoopback, listener.Port());
    Run();
    ASSERT_TRUE(server && server->IsOpen() && client.IsOpen());
    EXPECT_EQ(client.LocalAddress(), kLoopback);
  }
};

TEST(EventLoopTest, PostedTasksRunInOrderOnTheLoopThread) {
  LoopCase c;
  std::vector<int> order;
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) c.loop.Post([&order, i] { order.push_back(i); });
    c.loop.Post([&] { c.loop.Stop(); });
  });
  c.Run();
  poster.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(EventLoopTest, TimersFireOnceUnlessCancelledOrRestarted) {
  LoopCase c;
  std::vector<std::string> fired;
  platform::LoopTimer cancelled(c.loop), restarted(c.loop), plain(c.loop), last(c.loop);
  cancelled.Start(0, [&] { fired.push_back("cancelled"); });
  cancelled.Cancel();
  restarted.Start(0, [&] { fired.push_back("first start"); });
  restarted.Start(1, [&] { fired.push_back("restarted"); });
  plain.Start(0, [&] { fired.push_back("plain"); });
  last.Start(20, [&] { c.loop.Stop(); });
  c.Run();
  // Timers of different lengths need not expire in order of length.
  std::sort(fired.begin(), fired.end());
  EXPECT_EQ(fired, (std::vector<std::string>{"plain", "restarted"}));
}

// Lines end only at CR LF, however the bytes are cut into sends; a line may
// be megabytes long.
TEST(StreamConnectionTest, LinesEndOnlyAtCrLf) {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b == '\n' ? 'n' : b);
  const std::string mega(3 << 20, 'm');
  const struct {
    std::vector<std::string> sends, lines;
  } cases[] = {{{"abc", "def\r\n"}, {"abcdef"}},     {{"one\r\ntwo\r\n"}, {"one", "two"}},
               {{"a\nb\r\n"}, {"a\nb"}},           {{"x\r", "\ny\r\n"}, {"x", "y"}},
               {{"\r\n", "a\rb\r\r\n"}, {"", "a\rb\r"}}, {{everyByte + "\r\n"}, {everyByte}},
               {{mega + "\r\n", "tail\r\n"}, {mega, "tail"}}};
  for (const auto& c : cases) {
    StreamPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Connect());
    std::vector<std::string> lines;
    pair.server->SetEvents({.line = [&](std::string_view line) {
      if (line == "end") {
        pair.loop.Stop();
      } else {
        lines.emplace_back(line);
      }
    }});
    for (const std::string& piece : c.sends) pair.client.Send(piece);
    pair.client.Send("end\r\n");
    pair.Run();
    EXPECT_EQ(lines, c.lines);
  }
}

// An answer sent from inside a line callback, the peer's end told once, and
// a closed side tells nothing.
TEST(StreamConnectionTest, AnswersAndEnds) {
  StreamPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  std::vector<std::string> clientLines;
  int serverClosed = 0, clientClosed = 0;
  pair.server->SetEvents({.line = [&](std::string_view line) { pair.server->Send("re " + std::string(line) + "\r\n"); },
                          .closed = [&] {
                            ++serverClosed;
                            pair.loop.Stop();
                          }});
  pair.client.SetEvents({.line = [&](std::string_view line) {
                           clientLines.emplace_back(line);
                           if (clientLines.size() == 2) pair.client.Close();
                         },
                         .closed = [&] { ++clientClosed; }});
  pair.client.Send("a\r\nb\r\n");
  pair.Run();
  EXPECT_EQ(clientLines, (std::vector<std::string>{"re a", "re b"}));
  EXPECT_EQ(serverClosed, 1);
  EXPECT_EQ(clientClosed, 0);
  EXPECT_FALSE(pair.server->IsOpen());
  EXPECT_FALSE(pair.client.IsOpen());
}

// A line longer than the bound ends the connection; so does a peer that is
// not there.
TEST(StreamConnectionTest, OverlongLineAndRefusedConnect) {
  StreamPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  int serverClosed = 0;
  pair.server->SetEvents({.closed = [&] {
    ++serverClosed;
    pair.loop.Stop();
  }});
  pair.client.Send(std::string(StreamConnection::kMaxLineBytes, 'x'));
  pair.Run();
  EXPECT_EQ(serverClosed, 1);

  const int port = pair.listener.Port();
  pair.listener.Close();
  StreamConnection refused(pair.loop);
  int outcomes = 0;
  refused.SetEvents({.connected = [&](bool ok) {
    EXPECT_FALSE(ok);
    ++outcomes;
    pair.loop.Stop();
  }});
  refused.Connect(kLoopback, port);
  pair.Run();
  EXPECT_EQ(outcomes, 1);
}

// The sender's queue is counted until the system has taken it.
TEST(StreamConnectionTest, QueueDrains) {
  StreamPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Connect());
  pair.client.SetEvents({.drained = [&] {
    EXPECT_EQ(pair.client.QueuedBytes(), 0u);
    pair.loop.Stop();
  }});
  pair.client.Send(std::string(8 << 20, 'q'));
  EXPECT_EQ(pair.client.QueuedBytes(), std::size_t{8 << 20});
  pair.Run();
}

TEST(DatagramPortTest, DatagramsArriveWithTheirSender) {
  LoopCase c;
  platform::DatagramPort receiver(c.loop), sender(c.loop);
  std::vector<std::string> received;
  ASSERT_TRUE(receiver.Open(kLoopback, 0, [&](std::string_view bytes, platform::Ipv4Address from, int port) {
    received.emplace_back(bytes);
    EXPECT_EQ(from, kLoopback);
    EXPECT_EQ(port, sender.Port());
    if (received.size() == 3) c.loop.Stop();
  }));
  ASSERT_TRUE(sender.Open(kLoopback, 0, [](std::string_view, platform::Ipv4Address, int) {}));
  const std::vector<std::string> sent = {"first\r\n", std::string("a\0b", 3), std::string(600, 'x')};
  for (const std::string& bytes : sent) EXPECT_TRUE(sender.SendTo(kLoopback, receiver.Port(), bytes));
  c.Run();
  EXPECT_EQ(received, sent);
  receiver.Close();
  EXPECT_FALSE(receiver.IsOpen());
}

}  // namespace
