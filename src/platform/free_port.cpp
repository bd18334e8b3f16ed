#include "platform/free_port.h"

#include <charconv>
#include <vector>

namespace platform {
namespace {

constexpr int kLastCandidate = 65533;

}  // namespace

int ChooseFreePort(const std::vector<int>& localPorts) {
  // A candidate is taken when no row holds it and some row at 2000 or above
  // holds another port; the rows' order does not change the outcome.
  std::vector<bool> used(kLastCandidate + 1, false);
  bool anyHigh = false;
  for (const int port : localPorts) {
    if (port < kFirstFreePort) continue;
    anyHigh = true;
    if (port <= kLastCandidate) used[static_cast<std::size_t>(port)] = true;
  }
  if (!anyHigh) return 0;
  for (int candidate = kFirstFreePort; candidate <= kLastCandidate; ++candidate) {
    if (!used[static_cast<std::size_t>(candidate)]) return candidate;
  }
  return 0;
}

void AppendProcNetTcpPorts(std::string_view text, std::vector<int>& localPorts) {
  // Each row after the heading: "  sl: LOCALADDR:PORT REMOTE ...", hex.
  std::size_t lineStart = text.find('\n');
  while (lineStart != std::string_view::npos && lineStart < text.size()) {
    ++lineStart;
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd;
    const std::size_t slot = line.find(':');
    if (slot == std::string_view::npos) continue;
    const std::size_t local = line.find_first_not_of(' ', slot + 1);
    if (local == std::string_view::npos) continue;
    const std::size_t localEnd = line.find(' ', local);
    const std::string_view address = line.substr(local, localEnd == std::string_view::npos ? std::string_view::npos : localEnd - local);
    const std::size_t colon = address.rfind(':');
    if (colon == std::string_view::npos || colon + 1 == address.size()) continue;
    const std::string_view digits = address.substr(colon + 1);
    int port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port, 16);
    if (error == std::errc() && end == digits.data() + digits.size() && port <= 0xFFFF) localPorts.push_back(port);
  }
}

}  // namespace platform
