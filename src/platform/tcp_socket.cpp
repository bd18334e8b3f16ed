#include "platform/tcp_socket.h"

#include <algorithm>
#include <vector>

#include "platform/free_port.h"

namespace platform {
namespace {

// Bytes asked of one receive call.
constexpr int kReceiveBlock = 64 * 1024;
// Largest piece handed to one send call.
constexpr std::size_t kSendPiece = 1 << 20;
// A buffer that once held more than this gives its memory back when empty.
constexpr std::size_t kKeptCapacity = 1 << 20;
// Taken lines are cut off the front of the receive buffer once they are at
// least this long and at least half of it, so each byte moves O(1) times.
constexpr std::size_t kCompactAt = 64 * 1024;

void Release(std::string& buffer) {
  buffer.clear();
  if (buffer.capacity() > kKeptCapacity) buffer.shrink_to_fit();
}

}  // namespace

TcpSocket::~TcpSocket() { CloseSocket(); }

int TcpSocket::OpenSocket() { return Open(SocketKind::Stream); }

void TcpSocket::ResetBuffers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Release(received_);
    receiveStart_ = 0;
    searchFrom_ = 0;
  }
  std::lock_guard<std::mutex> lock(sendMutex_);
  Release(pending_);
  stopSending_ = false;
}

int TcpSocket::Listen(int backlog) {
  const SocketHandle handle = handle_.load();
  return handle != kNoSocket && socket_calls::Listen(handle, backlog) ? 0 : 1;
}

int TcpSocket::Accept(TcpSocket& into) {
  const SocketHandle listener = handle_.load();
  if (listener == kNoSocket) return 1;
  Ipv4Address peer = 0;
  int peerPort = 0;
  const SocketHandle handle = socket_calls::Accept(listener, peer, peerPort);
  if (handle == kNoSocket) return 1;
  into.Adopt(handle, peer);
  return 0;
}

int TcpSocket::Connect(const std::string& host, int port) {
  const SocketHandle handle = handle_.load();
  if (State() != kSocketOpen || handle == kNoSocket) return 1;
  addressText_ = host;
  port_ = port;
  SetState(kSocketConnecting);
  // A wrapper reaches state 2 only through OpenSocket, which joined any
  // earlier connect thread.
  std::lock_guard<std::mutex> lock(mutex_);
  connectThread_ = std::thread(&TcpSocket::ConnectLoop, this, handle, host, port);
  return 0;
}

void TcpSocket::ConnectLoop(SocketHandle handle, std::string host, int port) {
  const Ipv4Address address = Resolve(host);
  if (address == 0) return FinishConnect(kSocketUnresolved);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
  }
  if (!socket_calls::Connect(handle, address, port)) return FinishConnect(kSocketConnectFailed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    peerAddress_ = address;
  }
  // CloseSocket joins this thread before the send thread, so a send thread
  // started here is always joined.
  StartSending();
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    // The receive thread runs before anyone can see state 5, so that a
    // reader who waited for the connect finds it receiving.
    ended = StartReceivingLocked();
    if (state_ == kSocketConnecting) state_ = kSocketConnected;
  }
  event_.notify_all();
  Join(ended);
}

void TcpSocket::FinishConnect(int state) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    state_ = state;
  }
  event_.notify_all();
}

int TcpSocket::WaitConnected(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto settled = [this] { return state_ != kSocketConnecting; };
  WaitUntil(event_, lock, timeoutMs, settled);
  return state_;
}

int TcpSocket::Send(std::string_view bytes, bool force) {
  if (!force && State() != kSocketConnected) return 1;
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    pending_.append(bytes);
  }
  sendEvent_.notify_one();
  return 0;
}

std::thread TcpSocket::StartSendingLocked(SocketHandle handle) {
  if (sending_ || handle == kNoSocket) return {};
  std::thread ended = std::move(sendThread_);
  sending_ = true;
  sendThread_ = std::thread(&TcpSocket::SendLoop, this, handle);
  return ended;
}

void TcpSocket::StartSending() {
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    ended = StartSendingLocked(handle_.load());
  }
  Join(ended);
}

bool TcpSocket::IsSending() {
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    if (sending_) return true;
    ended = std::move(sendThread_);
  }
  Join(ended);
  return false;
}

void TcpSocket::SendLoop(SocketHandle handle) {
  // Everything queued is taken at once; the two strings trade places so
  // their memory is reused.
  std::string taken;
  bool failed = false;
  while (!failed) {
    {
      std::unique_lock<std::mutex> lock(sendMutex_);
      sendEvent_.wait(lock, [this] { return stopSending_ || !pending_.empty(); });
      if (stopSending_) break;
      taken.swap(pending_);
      inFlight_ = true;
    }
    for (std::size_t sent = 0; sent < taken.size();) {
      const int piece = static_cast<int>(std::min(taken.size() - sent, kSendPiece));
      const int result = socket_calls::Send(handle, taken.data() + sent, piece);
      if (result <= 0) {
        failed = true;  // the rest stays unsent; receiving goes on
        break;
      }
      sent += static_cast<std::size_t>(result);
    }
    Release(taken);
    {
      std::lock_guard<std::mutex> lock(sendMutex_);
      inFlight_ = false;
    }
    sentEvent_.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    if (failed) stopSending_ = true;
    inFlight_ = false;
    sending_ = false;
  }
  sentEvent_.notify_all();
}

bool TcpSocket::WaitSent(int timeoutMs) {
  std::unique_lock<std::mutex> lock(sendMutex_);
  const auto drained = [this] { return pending_.empty() && !inFlight_; };
  const auto done = [&] { return drained() || !sending_; };
  WaitUntil(sentEvent_, lock, timeoutMs, done);
  return drained();
}

void TcpSocket::ReceiveLoop(SocketHandle handle) {
  std::vector<char> block(kReceiveBlock);
  for (;;) {
    const int count = socket_calls::Receive(handle, block.data(), kReceiveBlock);
    if (count <= 0) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      received_.append(block.data(), static_cast<std::size_t>(count));
      // A line that never ends would take all memory: receiving ends as if
      // the peer had closed.
      if (received_.size() - receiveStart_ > kMaxLineBytes && FindLineEndLocked() == std::string::npos) return;
    }
    NotifyActivity();
  }
}

std::size_t TcpSocket::FindLineEndLocked() {
  const std::size_t end = received_.find("\r\n", std::max(searchFrom_, receiveStart_));
  if (end == std::string::npos) {
    // A CR at the very end may yet be followed by its LF.
    searchFrom_ = received_.empty() ? 0 : received_.size() - 1;
  }
  return end;
}

bool TcpSocket::HasReceivedLocked() { return FindLineEndLocked() != std::string::npos; }

int TcpSocket::TakeLine(std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t end = FindLineEndLocked();
  if (end == std::string::npos) return -1;
  line.assign(received_, receiveStart_, end - receiveStart_);
  const int removed = static_cast<int>(end + 2 - receiveStart_);
  receiveStart_ = end + 2;
  searchFrom_ = receiveStart_;
  if (receiveStart_ == received_.size()) {
    Release(received_);
    receiveStart_ = 0;
    searchFrom_ = 0;
  } else if (receiveStart_ >= kCompactAt && receiveStart_ * 2 >= received_.size()) {
    received_.erase(0, receiveStart_);
    receiveStart_ = 0;
    searchFrom_ = 0;
  }
  return removed;
}

std::size_t TcpSocket::ReceivedSize() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_.size() - receiveStart_;
}

bool TcpSocket::WaitLine(int timeoutMs) { return WaitReceived(timeoutMs); }

void TcpSocket::StopOwnThreads() {
  std::thread connector;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    connector = std::move(connectThread_);
  }
  Join(connector);
  std::thread sender;
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    stopSending_ = true;
    sender = std::move(sendThread_);
  }
  sendEvent_.notify_all();
  Join(sender);
}

bool TcpSocket::HasTcpTable() const { return socket_calls::TcpTableAvailable(); }

int TcpSocket::BindFreePort() {
  std::vector<int> localPorts;
  if (!socket_calls::ReadTcpTable(localPorts)) return 3;
  const int port = ChooseFreePort(localPorts);
  if (port == 0) return 3;
  return Bind("", port);
}

}  // namespace platform
