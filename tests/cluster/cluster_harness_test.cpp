// The cluster hosts themselves: names, addresses and a broadcast that
// reaches every host and nothing else.
#include <gtest/gtest.h>

#include "support/cluster.h"

namespace testing_support {
namespace {

constexpr int kLimitMs = 30000;

// Prints the host's name once listening, then what one datagram said and
// where it came from.
constexpr const char* kListener = R"(import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("", 4311))
print("listening on", socket.gethostname(), flush=True)
data, sender = s.recvfrom(100)
print(data.decode(), "from", sender[0], flush=True))";

constexpr const char* kSender = R"(import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
s.sendto(b"hello", ("255.255.255.255", 4311)))";

TEST(ClusterHarness, BroadcastReachesEveryHostOfTheCluster) {
  if (const std::string reason = Cluster::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
  if (std::system("command -v python3 >/dev/null") != 0) GTEST_SKIP() << "python3 is needed to send the datagram";
  for (const std::vector<std::string>& names :
       {std::vector<std::string>{"solo"}, std::vector<std::string>{"alpha", "beta", "gamma"}}) {
    SCOPED_TRACE(names.size());
    Cluster cluster(names);
    ASSERT_EQ(cluster.Error(), "");
    std::vector<HostProcess*> listeners;
    for (size_t host = 0; host < names.size(); ++host) {
      listeners.push_back(&cluster.Start(host, {"python3", "-c", kListener}));
      ASSERT_TRUE(listeners.back()->WaitForOutput("listening on " + names[host] + "\n", kLimitMs))
          << listeners.back()->Output();
    }
    EXPECT_EQ(cluster.Start(0, {"python3", "-c", kSender}).WaitForExit(kLimitMs), 0);
    for (HostProcess* listener : listeners) {
      EXPECT_EQ(listener->WaitForExit(kLimitMs), 0);
      EXPECT_NE(listener->Output().find("hello from " + cluster.Address(0) + "\n"), std::string::npos)
          << listener->Output();
    }
  }
}

}  // namespace
}  // namespace testing_support
