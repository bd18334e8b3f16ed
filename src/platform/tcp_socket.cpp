#include "platform/tcp_socket.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/free_port.h"

namespace platform {
namespace {

// Bytes asked of one receive call.
constexpr std::size_t kReceiveBlock = 64 * 1024;
// Largest piece handed to one send call.
constexpr std::size_t kSendPiece = 1 << 20;
// Longest message sent from the caller's thread when nothing is queued.
constexpr std::size_t kDirectSendLimit = 1024;
// A buffer that once held more than this gives its memory back when empty.
constexpr std::size_t kKeptCapacity = 4 << 20;

template <typename Buffer>
void Release(Buffer& buffer) {
  buffer.clear();
  if (buffer.capacity() > kKeptCapacity) buffer.shrink_to_fit();
}

}  // namespace

TcpSocket::TcpSocket() {
  readersReceive_ = socket_calls::OpenWaker(readerWaker_) && socket_calls::OpenWaker(threadWaker_);
  if (!readersReceive_) socket_calls::CloseWaker(readerWaker_);
}

TcpSocket::~TcpSocket() {
  CloseSocket();
  socket_calls::CloseWaker(readerWaker_);
  socket_calls::CloseWaker(threadWaker_);
}

int TcpSocket::OpenSocket() { return Open(SocketKind::Stream); }

void TcpSocket::ResetBuffers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Release(received_);
    receiveStart_ = 0;
    receiveEnd_ = 0;
    searchFrom_ = 0;
    lineEnd_ = std::string::npos;
    receivePaused_ = false;
    receiving_ = Receiver::None;
    readerSawEnd_ = false;
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
  if (stopping_ || !socket_calls::Connect(handle, address, port)) return FinishConnect(kSocketConnectFailed);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return;
    peerAddress_ = address;
  }
  // CloseSocket joins this thread before the send thread, so a send thread
  // started here is always joined.
  StartSending();
  // The receive thread runs before anyone can see state 5, so that a
  // reader who waited for the connect finds it receiving.
  receiver_.Start([this] {
    std::thread ended = StartReceivingLocked();
    if (!stopping_ && state_ == kSocketConnecting) state_ = kSocketConnected;
    return ended;
  });
  event_.notify_all();
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
  bool wasEmpty = false;
  {
    std::unique_lock<std::mutex> lock(sendMutex_);
    sentEvent_.wait(lock, [this] {
      return stopSending_ || !sender_.RunningLocked() || pending_.size() < kBufferedLimit;
    });
    // Once sending has stopped (a failed send, a close) nothing would take
    // the bytes: they are dropped instead of piling up.
    if (stopSending_) return 0;
    sentSinceLine_ = true;
    // Nothing queued and the send thread idle: a short message goes now,
    // which saves waking that thread. A long one (streamed output) is left
    // to the thread, so that the caller makes the next line while this one
    // is sent, and lines queued meanwhile go out in one call.
    if (bytes.size() <= kDirectSendLimit && sender_.RunningLocked() && pending_.empty() && !inFlight_ && !stopping_) {
      const int size = static_cast<int>(bytes.size());
      bytes.remove_prefix(static_cast<std::size_t>(socket_calls::SendWithoutWaiting(sendHandle_, bytes.data(), size)));
      if (bytes.empty()) return 0;
    }
    // The send thread waits only for an empty queue.
    wasEmpty = pending_.empty();
    pending_.append(bytes);
  }
  if (wasEmpty) sendEvent_.notify_one();
  return 0;
}

void TcpSocket::StartSending() {
  const SocketHandle handle = handle_.load();
  if (handle == kNoSocket) return;
  sender_.Start([this, handle] {
    if (!sender_.RunningLocked()) sendHandle_ = handle;
    return sender_.StartLocked([this, handle] { SendLoop(handle); });
  });
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
    // A sender held back by a full queue goes on while these bytes go out.
    sentEvent_.notify_all();
    for (std::size_t sent = 0; sent < taken.size();) {
      const int piece = static_cast<int>(std::min(taken.size() - sent, kSendPiece));
      const int result = stopping_ ? -1 : socket_calls::Send(handle, taken.data() + sent, piece);
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
    sender_.EndedLocked();
  }
  sentEvent_.notify_all();
}

bool TcpSocket::WaitSent(int timeoutMs) {
  std::unique_lock<std::mutex> lock(sendMutex_);
  const auto drained = [this] { return pending_.empty() && !inFlight_; };
  const auto done = [&] { return drained() || !sender_.RunningLocked(); };
  WaitUntil(sentEvent_, lock, timeoutMs, done);
  return drained() && !stopSending_;
}

void TcpSocket::ReceiveLoop(SocketHandle handle) {
  char* room = nullptr;
  bool holding = false;  // the receive side is held and room made
  while (!stopping_) {
    if (!holding) {
      std::unique_lock<std::mutex> lock(mutex_);
      // Resumed by TakeLine once half the limit is taken, by a reader
      // giving the receive side back, or by closing.
      receivePaused_ = ReceiveFullLocked();
      event_.wait(lock, [this] { return stopping_ || (!receivePaused_ && receiving_ == Receiver::None); });
      if (stopping_) return;
      if (readersReceive_ && !WatchLocked(lock, handle)) continue;
      receiving_ = Receiver::Thread;
      room = ReceiveRoomLocked();
    }
    const int count = socket_calls::Receive(handle, room, static_cast<int>(kReceiveBlock));
    bool wake = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      receiving_ = Receiver::None;
      if (count <= 0) return;
      receiveEnd_ += static_cast<std::size_t>(count);
      const bool lineReady = FindLineEndLocked() != std::string::npos;
      // A line that never ends would take all memory: receiving ends as if
      // the peer had closed.
      if (!lineReady && receiveEnd_ - receiveStart_ > kMaxLineBytes) return;
      // Part of a line wakes no reader, unless one waits for the receive
      // side: it would find nothing to take.
      wake = lineReady || readersWaiting_ > 0;
      // Without readers receiving, room for the next receive is made under
      // this same lock, so that a woken reader does not meet the receive
      // thread at the lock.
      holding = !readersReceive_ && !ReceiveFullLocked();
      if (holding) {
        receiving_ = Receiver::Thread;
        room = ReceiveRoomLocked();
      }
    }
    NotifyActivity(wake);
  }
}

bool TcpSocket::WatchLocked(std::unique_lock<std::mutex>& lock, SocketHandle handle) {
  threadWatching_ = true;
  const std::uint64_t readerReceives = readerReceives_;
  lock.unlock();
  const bool readable = socket_calls::WaitReadable(handle, threadWaker_, -1);
  lock.lock();
  threadWatching_ = false;
  // Bytes a reader took meanwhile may have been all there were: a receive
  // now could wait, holding the receive side from the next reader.
  return readable && !stopping_ && receiving_ == Receiver::None && readerReceives_ == readerReceives;
}

bool TcpSocket::ReceiveFullLocked() {
  return receiveEnd_ - receiveStart_ >= kBufferedLimit && FindLineEndLocked() != std::string::npos;
}

char* TcpSocket::ReceiveRoomLocked() {
  const std::size_t unread = receiveEnd_ - receiveStart_;
  if (unread == 0 && received_.size() > kKeptCapacity) Release(received_);
  // The unread bytes move to the front when all are taken, or when room is
  // short and no more bytes move than were taken: each byte moves O(1)
  // times.
  if (unread == 0 || (received_.size() - receiveEnd_ < kReceiveBlock && receiveStart_ >= unread)) {
    if (unread > 0) std::memmove(received_.data(), received_.data() + receiveStart_, unread);
    searchFrom_ = std::max(searchFrom_, receiveStart_) - receiveStart_;
    if (lineEnd_ != std::string::npos) lineEnd_ -= receiveStart_;
    receiveStart_ = 0;
    receiveEnd_ = unread;
  }
  if (received_.size() - receiveEnd_ < kReceiveBlock) {
    received_.resize(std::max(received_.size() * 2, receiveEnd_ + kReceiveBlock));
  }
  return received_.data() + receiveEnd_;
}

// Searched by LF, which is rare inside a message line, where CR is not.
std::size_t TcpSocket::FindLineEndLocked() {
  if (lineEnd_ != std::string::npos) return lineEnd_;
  const char* data = received_.data();
  for (std::size_t from = std::max(searchFrom_, receiveStart_); from < receiveEnd_;) {
    const auto* lf = static_cast<const char*>(std::memchr(data + from, '\n', receiveEnd_ - from));
    if (lf == nullptr) break;
    const auto at = static_cast<std::size_t>(lf - data);
    if (at > receiveStart_ && data[at - 1] == '\r') return lineEnd_ = at - 1;
    from = at + 1;
  }
  searchFrom_ = receiveEnd_;
  return std::string::npos;
}

bool TcpSocket::HasReceivedLocked() { return FindLineEndLocked() != std::string::npos; }

int TcpSocket::TakeLine(std::string& line) {
  bool resume = false;
  int removed = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t end = FindLineEndLocked();
    if (end == std::string::npos) return -1;
    line.assign(received_.data() + receiveStart_, end - receiveStart_);
    sentSinceLine_ = false;
    removed = static_cast<int>(end + 2 - receiveStart_);
    receiveStart_ = end + 2;
    searchFrom_ = receiveStart_;
    lineEnd_ = std::string::npos;
    // The paused receive thread goes on once half the limit is free: one
    // wake-up per batch, not per line.
    if (receivePaused_ &&
        (receiveEnd_ - receiveStart_ <= kBufferedLimit / 2 || FindLineEndLocked() == std::string::npos)) {
      receivePaused_ = false;
      resume = true;
    }
  }
  if (resume) event_.notify_all();
  return removed;
}

bool TcpSocket::WaitLine(int timeoutMs) {
  if (!readersReceive_) return WaitReceived(timeoutMs);
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  std::unique_lock<std::mutex> lock(mutex_);
  const auto settled = [this] { return wakeRequested_ || !receiver_.RunningLocked() || HasReceivedLocked(); };
  // A reader receives for itself only the answer to what was sent since it
  // took its last line: a stream of lines, where the receive thread has
  // the next one under way, would pay the thread's stepping back and
  // watching again for every wait. The receive thread is left to find the
  // end once a reader's receive found it, and to end receiving near the
  // line limit.
  const auto mayReceive = [this] {
    return sentSinceLine_ && !readerSawEnd_ && !stopping_ &&
           receiveEnd_ - receiveStart_ + kReceiveBlock <= kMaxLineBytes;
  };
  bool holding = false;  // this reader holds the receive side
  while (!settled()) {
    int left = -1;
    if (timeoutMs >= 0) {
      left = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
      if (left <= 0) break;
    }
    if (holding && !mayReceive()) {
      holding = false;
      receiving_ = Receiver::None;
      event_.notify_all();
    }
    if (!holding) {
      if (receiving_ != Receiver::None || !mayReceive()) {
        // Only a reader that would take the receive side over is woken by
        // a receive that brings part of a line.
        const int forSide = mayReceive() ? 1 : 0;
        readersWaiting_ += forSide;
        WaitUntil(event_, lock, left, [&] { return settled() || (receiving_ == Receiver::None && mayReceive()); });
        readersWaiting_ -= forSide;
        continue;
      }
      // The receive thread steps back from the socket, so that arriving
      // bytes wake this reader alone.
      holding = true;
      receiving_ = Receiver::Reader;
      if (threadWatching_) socket_calls::SignalWaker(threadWaker_);
    }
    const SocketHandle handle = handle_.load();
    char* const room = ReceiveRoomLocked();
    lock.unlock();
    const bool readable = socket_calls::WaitReadable(handle, readerWaker_, left);
    const int count = readable ? socket_calls::Receive(handle, room, static_cast<int>(kReceiveBlock)) : 0;
    lock.lock();
    if (!readable) continue;
    ++readerReceives_;
    if (count <= 0) {
      readerSawEnd_ = true;
      continue;
    }
    receiveEnd_ += static_cast<std::size_t>(count);
    // The owner hears of the bytes as if the receive thread had taken them.
    lock.unlock();
    NotifyActivity(false);
    lock.lock();
  }
  wakeRequested_ = false;
  const bool received = HasReceivedLocked();
  if (holding) {
    // The receive thread watches again.
    receiving_ = Receiver::None;
    lock.unlock();
    event_.notify_all();
  }
  return received;
}

void TcpSocket::WakeLocked() {
  if (receiving_ == Receiver::Reader) socket_calls::SignalWaker(readerWaker_);
}

void TcpSocket::StopOwnThreads() {
  std::thread connector;
  {
    // A reader receiving on the handle ends at the shutdown before it goes.
    std::unique_lock<std::mutex> lock(mutex_);
    event_.wait(lock, [this] { return receiving_ != Receiver::Reader; });
    connector = std::move(connectThread_);
  }
  SocketThread::Join(connector);
  {
    std::lock_guard<std::mutex> lock(sendMutex_);
    stopSending_ = true;
  }
  sendEvent_.notify_all();
  sentEvent_.notify_all();
  sender_.Stop();
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
