// A blocking stream socket read in whole lines (each ends at CR LF), for the
// benchmarks' side of a conversation: the reference the loop's own
// transport is measured against, with nothing between the socket and the
// reader.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/socket_calls.h"

namespace bench {

class LineSocket {
 public:
  explicit LineSocket(platform::SocketHandle handle = platform::kNoSocket) : handle_(handle) {}
  void Adopt(platform::SocketHandle handle) { handle_ = handle; }
  platform::SocketHandle Handle() const { return handle_; }

  // The next line without its CR LF; false when the connection ended first.
  bool ReadLine(std::string& line) {
    for (;;) {
      const std::size_t end = buffer_.find("\r\n", searchFrom_);
      if (end != std::string::npos) {
        line.assign(buffer_, start_, end - start_);
        start_ = searchFrom_ = end + 2;
        return true;
      }
      buffer_.erase(0, start_);
      searchFrom_ = buffer_.empty() ? 0 : buffer_.size() - 1;
      start_ = 0;
      const std::size_t used = buffer_.size();
      buffer_.resize(used + kBlock);
      const int n = platform::socket_calls::Receive(handle_, buffer_.data() + used, static_cast<int>(kBlock));
      buffer_.resize(used + (n > 0 ? static_cast<std::size_t>(n) : 0));
      if (n <= 0) return false;
    }
  }

  bool Send(std::string_view bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
      const int n = platform::socket_calls::Send(handle_, bytes.data() + sent, static_cast<int>(bytes.size() - sent));
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Connects `a` and `b` on loopback; false when that fails.
  static bool ConnectPair(platform::SocketHandle& a, platform::SocketHandle& b) {
    namespace calls = platform::socket_calls;
    platform::Ipv4Address loopback = 0;
    calls::ParseDotted("127.0.0.1", loopback);
    const platform::SocketHandle listener = calls::Create(platform::SocketKind::Stream);
    if (!calls::Bind(listener, loopback, 0) || !calls::Listen(listener, 1)) return false;
    a = calls::Create(platform::SocketKind::Stream);
    if (!calls::Connect(a, loopback, calls::LocalPort(listener))) return false;
    platform::Ipv4Address peer = 0;
    int port = 0;
    b = calls::Accept(listener, peer, port);
    calls::Destroy(listener);
    return b != platform::kNoSocket;
  }

 private:
  static constexpr std::size_t kBlock = 64 << 10;
  platform::SocketHandle handle_;
  std::string buffer_;
  std::size_t start_ = 0;
  std::size_t searchFrom_ = 0;
};

}  // namespace bench
