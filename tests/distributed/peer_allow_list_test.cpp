#include "distributed/peer_allow_list.h"

#include <gtest/gtest.h>

namespace {

TEST(PeerAllowListTest, EntriesOfEveryKind) {
  const struct {
    const char* list;
    const char* address;
    const char* name;
    bool allowed;
  } cases[] = {
      {"", "10.1.2.3", "ANY", true},
      {" ,; ", "10.1.2.3", "ANY", true},
      {"192.168.1.5", "192.168.1.5", "X", true},
      {"192.168.1.5", "192.168.1.50", "X", false},
      {"192.168.1.0/24", "192.168.1.200", "X", true},
      {"192.168.1.0/24", "192.168.2.1", "X", false},
      {"0.0.0.0/0", "8.8.8.8", "X", true},
      {"10.0.0.1/32", "10.0.0.1", "X", true},
      {"10.0.0.1-10.0.0.9", "10.0.0.9", "X", true},
      {"10.0.0.1-10.0.0.9", "10.0.0.10", "X", false},
      {"10.0.0.1-10.0.0.9", "9.255.255.255", "X", false},
      {"build-01", "10.0.0.1", "BUILD-01", true},
      {"build-01", "10.0.0.1", "build-02", false},
      {"srv1, 127.0.0.1;10.0.0.0/8", "10.200.0.1", "other", true},
      {"srv1 127.0.0.1", "127.0.0.1", "other", true},
      {"10.0.0.256", "10.0.0.1", "x", false},
      {"192.168.1.0/33", "192.168.1.0", "x", false},
      {"192.168.1.0/024", "192.168.1.7", "x", false},
      {"1.2.3", "1.2.3.0", "x", false},
      {"10x0x0x1", "10.0.0.1", "x", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(distributed::IsPeerAllowed(c.list, c.address, c.name), c.allowed)
        << "[" << c.list << "] " << c.address << " " << c.name;
  }
}

}  // namespace
