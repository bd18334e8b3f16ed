#include "platform/udp_socket.h"

#include <gtest/gtest.h>

#include "platform/socket_test_support.h"

namespace {

using platform::UdpSocket;
using socket_testing::kHangGuardMs;

struct UdpPair {
  socket_testing::WaitingUdpSocket receiver;
  UdpSocket sender;
  platform::Ipv4Address loopback = platform::Resolve("127.0.0.1");

  void Open() {
    ASSERT_EQ(receiver.OpenSocket(), 0);
    ASSERT_EQ(receiver.Bind("127.0.0.1", 0), 0);
    ASSERT_NE(receiver.Port(), 0);
    receiver.StartReceiving();
    ASSERT_EQ(sender.OpenSocket(), 0);
    ASSERT_EQ(sender.Bind("127.0.0.1", 0), 0);
  }
  int Send(const std::string& bytes) { return sender.SendTo(loopback, receiver.Port(), bytes); }
};

TEST(UdpSocketTest, DatagramsArriveInOrderWithTheirSender) {
  UdpPair pair;
  ASSERT_NO_FATAL_FAILURE(pair.Open());
  EXPECT_EQ(pair.sender.EnableBroadcast(), 0);
  const std::vector<std::string> sent = {"first\r\n", std::string("a\0b", 3), std::string(512, 'x')};
  for (const std::string& bytes : sent) EXPECT_EQ(pair.Send(bytes), static_cast<int>(bytes.size()));
  for (const std::string& bytes : sent) {
    ASSERT_TRUE(pair.receiver.WaitDatagram(kHangGuardMs));
    platform::Datagram datagram;
    ASSERT_TRUE(pair.receiver.TakeDatagram(datagram));
    EXPECT_EQ(datagram.bytes, bytes);
    EXPECT_EQ(datagram.sender, pair.loopback);
    EXPECT_EQ(datagram.senderPort, pair.sender.Port());
  }
  platform::Datagram none;
  EXPECT_FALSE(pair.receiver.TakeDatagram(none));
  EXPECT_TRUE(pair.receiver.IsReceiving());
  pair.receiver.Wake();  // ends the next wait, which has no limit
  EXPECT_FALSE(pair.receiver.WaitDatagram(-1));
}

// A datagram the receive block cannot hold (or an empty one) ends the
// receive thread; what came before it stays queued.
TEST(UdpSocketTest, OverlongOrEmptyDatagramEndsReceiving) {
  for (const std::size_t size : {513u, 600u, 0u}) {
    UdpPair pair;
    ASSERT_NO_FATAL_FAILURE(pair.Open());
    pair.Send("before");
    pair.Send(std::string(size, 'y'));
    ASSERT_TRUE(pair.receiver.WaitDatagram(kHangGuardMs));
    platform::Datagram datagram;
    ASSERT_TRUE(pair.receiver.TakeDatagram(datagram));
    EXPECT_EQ(datagram.bytes, "before");
    EXPECT_FALSE(pair.receiver.WaitDatagram(kHangGuardMs)) << size;
    EXPECT_EQ(pair.receiver.State(), platform::kSocketReceiveEnded) << size;
    EXPECT_FALSE(pair.receiver.IsReceiving());
  }
}

TEST(UdpSocketTest, CloseInEveryStateAndReopen) {
  for (const int steps : {0, 1, 2, 3}) {
    UdpSocket socket;
    if (steps >= 1) {
      EXPECT_EQ(socket.OpenSocket(), 0);
    }
    if (steps >= 2) {
      EXPECT_EQ(socket.Bind("127.0.0.1", 0), 0);
    }
    if (steps >= 3) socket.StartReceiving();
    socket.CloseSocket();
    socket.CloseSocket();
    EXPECT_EQ(socket.State(), platform::kSocketClosed) << steps;
    EXPECT_FALSE(socket.IsReceiving());
    ASSERT_EQ(socket.OpenSocket(), 0);
    EXPECT_EQ(socket.State(), platform::kSocketOpen);
  }
}

}  // namespace
