// What the loop's wrappers share inside the platform layer: Asio's loop.
// Only the platform's own sources include this header.
#pragma once

#include <asio.hpp>
#include <cstring>

#include "platform/event_loop.h"
#include "platform/socket_calls.h"

namespace platform {

struct EventLoop::Context {
  asio::io_context io{1};
  asio::executor_work_guard<asio::io_context::executor_type> keepRunning = asio::make_work_guard(io);
};

inline asio::ip::address_v4 AsioAddress(Ipv4Address address) {
  asio::ip::address_v4::bytes_type bytes;
  static_assert(sizeof bytes == sizeof address);
  std::memcpy(bytes.data(), &address, sizeof address);
  return asio::ip::address_v4(bytes);
}

inline Ipv4Address FromAsioAddress(const asio::ip::address& address) {
  if (!address.is_v4()) return 0;
  const asio::ip::address_v4::bytes_type bytes = address.to_v4().to_bytes();
  Ipv4Address value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

}  // namespace platform
