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
  Take(handle, 0, std::string(), kSocketOpen);
  return 0;
}

void SocketBase::Adopt(SocketHandle handle, Ipv4Address peer) {
  Take(handle, peer, DottedAddress(peer), kSocketConnected);
}

void SocketBase::Take(SocketHandle handle, Ipv4Address peer, const std::string& addressText, int state) {
  // A wrapper is reused for successive connections: the old one goes first.
  if (handle_.load() != kNoSocket) CloseSocket();
  ResetBuffers();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = false;
    wakeRequested_ = false;
    handle_ = handle;
    addressText_ = addressText;
    port_ = 0;
    peerAddress_ = peer;
  }
  SetState(state);
}

Ipv4Address SocketBase::LocalAddress() const {
  const SocketHandle handle = handle_.load();
  return handle == kNoSocket ? 0 : socket_calls::LocalAddress(handle);
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

void SocketThread::Join(std::thread& thread) {
  if (!thread.joinable()) return;
  if (thread.get_id() == std::this_thread::get_id()) {
    thread.detach();
  } else {
    thread.join();
  }
}

bool SocketThread::Release(bool unlessRunning) {
  std::thread taken;
  {
    std::lock_guard<std::mutex> lock(lock_);
    if (unlessRunning && running_) return false;
    taken = std::move(thread_);
  }
  Join(taken);
  return true;
}

bool SocketThread::IsRunning() { return !Release(true); }

void SocketThread::Stop() { Release(false); }

std::thread SocketBase::StartReceivingLocked() {
  const SocketHandle handle = handle_.load();
  if (stopping_ || handle == kNoSocket) return {};
  return receiver_.StartLocked([this, handle] { RunReceive(handle); });
}

void SocketBase::StartReceiving() {
  receiver_.Start([this] { return StartReceivingLocked(); });
}

bool SocketBase::IsReceiving() { return receiver_.IsRunning(); }

void SocketBase::RunReceive(SocketHandle handle) {
  ReceiveLoop(handle);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    receiver_.EndedLocked();
    state_ = kSocketReceiveEnded;
  }
  NotifyActivity();
}

void SocketBase::NotifyActivity(bool readerHasWork) {
  std::function<void()> onActivity;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    onActivity = onActivity_;
  }
  if (readerHasWork) event_.notify_all();
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
    WakeLocked();
  }
  event_.notify_all();
}

bool SocketBase::WaitReceived(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto done = [this] { return wakeRequested_ || !receiver_.RunningLocked() || HasReceivedLocked(); };
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
  // A receive thread waiting for the reader to make room stops too.
  event_.notify_all();
  // Shutting down wakes the threads blocked in the socket; where the system
  // allows, the handle is given back only when none of them can use it.
  if (handle != kNoSocket) {
    socket_calls::Shutdown(handle);
    if (socket_calls::kOnlyDestroyWakes) socket_calls::Destroy(handle);
  }
  StopOwnThreads();
  receiver_.Stop();
  if (handle != kNoSocket && !socket_calls::kOnlyDestroyWakes) socket_calls::Destroy(handle);
  SetState(kSocketClosed);
}

}  // namespace platform
