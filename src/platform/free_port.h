// The automatic choice of a TCP port from the system's connection table.
#pragma once

#include <string_view>
#include <vector>

namespace platform {

inline constexpr int kFirstFreePort = 2000;

// The first port from 2000 up to 65533 that no row uses, given the local
// ports of the table's rows. A table without a row at 2000 or above gives
// no port: 0.
int ChooseFreePort(const std::vector<int>& localPorts);

// Appends the local ports of a /proc/net/tcp or /proc/net/tcp6 text.
void AppendProcNetTcpPorts(std::string_view text, std::vector<int>& localPorts);

}  // namespace platform
