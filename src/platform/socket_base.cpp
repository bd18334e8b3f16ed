#include "platform/socket_base.h"

#include <cstring>

namespace platform {

Ipv4Address Resolve(const std::string& host) {
  Ipv4Address address = 0;
  if (socket_calls::ParseDotted(host, address)) return address;
  return socket_calls::LookUp(host);
}

std::string DottedAddress(Ipv4Address address) {
  unsigned char octets[4];
  std::memcpy(octets, &address, sizeof octets);
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(octets[i]);
  }
  return text;
}

int SocketBase::Open(SocketKind kind) {
  const SocketHandle handle = socket_calls::Create(kind);
  if (handle == kNoSocket) return 1;
  // A wrapper is reused for successive connections: the old one goes first.
  if (handle_.load() != kNoSocket) CloseSocket();
  ResetBuffers();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    wakeRequested_ = false;
    handle_ = handle;
    addressText_.clear();
    port_ = 0;
    peerAddress_ = 0;
  }
  ownHostAddress_ = Resolve(socket_calls::HostName());
  SetState(kSocketOpen);
  return 0;
}

void SocketBase::Adopt(SocketHandle handle, Ipv4Address peer) {
  if (handle_.load() != kNoSocket) CloseSocket();
  ResetBuffers();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    wakeRequested_ = false;
    handle_ = handle;
    addressText_ = DottedAddress(peer);
    port_ = 0;
    peerAddress_ = peer;
  }
  ownHostAddress_ = Resolve(socket_calls::HostName());
  SetState(kSocketConnected);
}

int SocketBase::Bind(const std::string& host, int port) {
  Ipv4Address address = 0;
  // A dotted text stands for itself, "0.0.0.0" included.
  if (!host.empty() && !socket_calls::ParseDotted(host, address)) {
    address = socket_calls::LookUp(host);
    if (address == 0) return 1;
  }
  const SocketHandle handle = handle_.load();
  if (handle == kNoSocket || !socket_calls::Bind(handle, address, port)) return 2;
  port_ = port != 0 ? port : socket_calls::LocalPort(handle);
  addressText_ = host.empty() ? DottedAddress(socket_calls::LocalAddress(handle)) : host;
  return 0;
}

void SocketBase::SetState(int state) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
  }
  event_.notify_all();
}

void SocketBase::Join(std::thread& thread) {
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id()) {
    thread.detach();
  } else {
    thread.join();
  }
}

std::thread SocketBase::StartReceivingLocked() {
  const SocketHandle handle = handle_.load();
  if (receiving_ || stopping_ || handle == kNoSocket) return {};
  std::thread ended = std::move(receiveThread_);
  receiving_ = true;
  receiveThread_ = std::thread(&SocketBase::RunReceive, this, handle);
  return ended;
}

void SocketBase::StartReceiving() {
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ended = StartReceivingLocked();
  }
  Join(ended);
}

bool SocketBase::IsReceiving() {
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (receiving_) return true;
    ended = std::move(receiveThread_);
  }
  Join(ended);
  return false;
}

void SocketBase::RunReceive(SocketHandle handle) {
  ReceiveLoop(handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    receiving_ = false;
    state_ = kSocketReceiveEnded;
  }
  NotifyActivity();
}

void SocketBase::NotifyActivity() {
  std::function<void()> onActivity;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    onActivity = onActivity_;
  }
  event_.notify_all();
  if (onActivity) onActivity();
}

void SocketBase::SetActivityCallback(std::function<void()> onActivity) {
  std::lock_guard<std::mutex> lock(mutex_);
  onActivity_ = std::move(onActivity);
}

void SocketBase::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wakeRequested_ = true;
  }
  event_.notify_all();
}

bool SocketBase::WaitReceived(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto done = [this] { return wakeRequested_ || !receiving_ || HasReceivedLocked(); };
  WaitUntil(event_, lock, timeoutMs, done);
  wakeRequested_ = false;
  return HasReceivedLocked();
}

void SocketBase::CloseSocket() {
  SocketHandle handle;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    handle = handle_.exchange(kNoSocket);
  }
  // Shutting down wakes the threads blocked in the socket; where the system
  // allows, the handle is given back only when none of them can use it.
  if (handle != kNoSocket) {
    socket_calls::Shutdown(handle);
    if (socket_calls::kOnlyDestroyWakes) socket_calls::Destroy(handle);
  }
  StopOwnThreads();
  std::thread receiver;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    receiver = std::move(receiveThread_);
  }
  Join(receiver);
  if (handle != kNoSocket && !socket_calls::kOnlyDestroyWakes) socket_calls::Destroy(handle);
  SetState(kSocketClosed);
}

}  // namespace platform
