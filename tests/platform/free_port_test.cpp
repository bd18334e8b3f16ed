#include "platform/free_port.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

TEST(FreePortTest, ChoosesFromTheTable) {
  std::vector<int> all(65534 - 2000);  // every candidate
  std::iota(all.begin(), all.end(), 2000);
  const struct {
    std::vector<int> localPorts;
    int expected;
  } cases[] = {
      {{3000, 2000, 2001}, 2002},
      {{2000, 2001, 3000}, 2002},
      {{135, 445, 1999}, 0},
      {{}, 0},
      {{80, 5000}, 2000},
      {{2000}, 2001},
      {{65535}, 2000},
      {all, 0},
      {std::vector<int>(all.begin(), all.end() - 1), 65533},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ChooseFreePort(c.localPorts), c.expected) << testing::PrintToString(c.localPorts);
  }
}

TEST(FreePortTest, ReadsProcNetTcpText) {
  const char* const tcp =
      "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
      "   0: 0100007F:07D0 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 1 1\n"
      "   1: 00000000:0bb8 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        0 2 1\n"
      "  12: 0100007F:07D1 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0 3 1\n"
      "garbage line\n"
      "  13: 0100007F:XYZ 0100007F:9C40 01\n";
  const char* const tcp6 =
      "  sl  local_address                         remote_address                        st\n"
      "   0: 00000000000000000000000000000000:0016 00000000000000000000000000000000:0000 0A\n";
  std::vector<int> ports;
  platform::AppendProcNetTcpPorts(tcp, ports);
  platform::AppendProcNetTcpPorts(tcp6, ports);
  EXPECT_EQ(ports, (std::vector<int>{2000, 3000, 2001, 22}));
  EXPECT_EQ(platform::ChooseFreePort(ports), 2002);
}

}  // namespace
