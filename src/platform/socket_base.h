// What the TCP and UDP wrappers share: the handle, the state, the addresses
// and the receive thread with its wake-ups.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/socket_calls.h"

namespace platform {

enum SocketState : int {
  kSocketCreated = 1,        // no socket yet
  kSocketOpen = 2,           // socket created
  kSocketConnecting = 4,     // connect thread running
  kSocketConnected = 5,      // connected, or filled in by Accept
  kSocketConnectFailed = 6,  // connect refused or failed
  kSocketUnresolved = 7,     // the host name did not resolve
  kSocketReceiveEnded = 8,   // peer closed or a receive failed
  kSocketClosed = 9,
};

// A dotted text is taken as it stands, without a lookup ("0.0.0.0" gives
// 0); anything else is looked up and gives its first address; 0 when
// neither works.
Ipv4Address Resolve(const std::string& host);
std::string DottedAddress(Ipv4Address address);

// A worker thread of a socket wrapper and whether its body still runs; both
// are guarded by a lock of the owner's. Threads end by themselves and are
// joined by their owner: when found ended, when replaced, or on closing.
class SocketThread {
 public:
  explicit SocketThread(std::mutex& lock) : lock_(lock) {}

  // Joins an ended or stopped thread, unless it is the calling thread (an
  // activity callback that asks), which is then left to end by itself.
  static void Join(std::thread& thread);

  // The lock held.
  bool RunningLocked() const { return running_; }
  // The lock held, from the body as it ends.
  void EndedLocked() { running_ = false; }
  // The lock held: starts `body` unless it runs, and returns the ended
  // thread it replaces, to be joined once the lock is released.
  template <typename Body>
  std::thread StartLocked(Body&& body) {
    if (running_) return {};
    std::thread ended = std::move(thread_);
    running_ = true;
    thread_ = std::thread(std::forward<Body>(body));
    return ended;
  }

  // Takes the lock for `startLocked`, which may call StartLocked and
  // returns its result, and joins the thread replaced.
  template <typename Starter>
  void Start(Starter startLocked) {
    std::thread ended;
    {
      std::lock_guard<std::mutex> lock(lock_);
      ended = startLocked();
    }
    Join(ended);
  }
  // False once the body has ended (or never ran); an ended thread is
  // joined and its slot emptied.
  bool IsRunning();
  // Joins the thread; its body must have been told to stop.
  void Stop();

 private:
  // Joins the thread outside the lock; false, and nothing done, when
  // `unlessRunning` and its body runs.
  bool Release(bool unlessRunning);

  std::mutex& lock_;
  std::thread thread_;
  bool running_ = false;
};

class SocketBase {
 public:
  SocketBase() = default;
  virtual ~SocketBase() = default;
  SocketBase(const SocketBase&) = delete;
  SocketBase& operator=(const SocketBase&) = delete;

  // "" binds to any address. 0; 1 the host did not resolve; 2 bind failed.
  // Port 0 lets the system choose; Port() then reports the chosen one.
  int Bind(const std::string& host, int port);

  // Starts the receive thread unless it runs.
  void StartReceiving();
  // False once the receive thread has ended (or never ran).
  bool IsReceiving();

  // Any thread: ends a wait for received data in progress, or the next one.
  void Wake();
  // Called with no lock held after bytes arrive (on the receive thread, or
  // on a reader's thread that received them itself) and when receiving ends.
  // It may take data, read the state and wake waiters; closing or restarting
  // this wrapper is for other threads.
  void SetActivityCallback(std::function<void()> onActivity);

  // Any state, any number of times; returns once the wrapper's threads have
  // ended. OpenSocket makes the wrapper usable again.
  virtual void CloseSocket();

  int State() const { return state_.load(); }
  const std::string& AddressText() const { return addressText_; }
  int Port() const { return port_; }
  // The address of this end (of a connection: the host's address toward
  // the peer); 0 before it has one. Asks no name service.
  Ipv4Address LocalAddress() const;

 protected:
  // Creates the socket. 0, or 1 when the socket cannot be made (the state
  // then stays as it was).
  int Open(SocketKind kind);
  // The receive thread's body; ends when a receive fails or returns 0.
  virtual void ReceiveLoop(SocketHandle handle) = 0;
  // Derived wrappers stop and join their own threads here, before the
  // handle goes.
  virtual void StopOwnThreads() {}
  // Drops the data of an earlier connection (takes its own locks).
  virtual void ResetBuffers() = 0;

  // Under mutex_, from Wake: a reader waiting elsewhere than on event_ is
  // woken here.
  virtual void WakeLocked() {}
  // Under mutex_: true when the waiting reader has something to take.
  virtual bool HasReceivedLocked() = 0;
  // The waiting reader's wait: until HasReceivedLocked, receiving ended,
  // Wake or the timeout (-1: none). Returns HasReceivedLocked.
  bool WaitReceived(int timeoutMs);
  // The receive thread reports new data or its end; the waiting reader is
  // woken only when `readerHasWork` (it has something to take, or
  // receiving has ended).
  void NotifyActivity(bool readerHasWork = true);

  void SetState(int state);
  // Takes a connected handle (Accept's result) with state 5.
  void Adopt(SocketHandle handle, Ipv4Address peer);
  // mutex_ held: starts the receive thread unless it runs, and returns the
  // ended thread it replaces, to be joined once the lock is released.
  std::thread StartReceivingLocked();
  // A condition wait with an optional limit (timeoutMs -1: none).
  template <typename Done>
  static void WaitUntil(std::condition_variable& event, std::unique_lock<std::mutex>& lock, int timeoutMs, Done done) {
    if (timeoutMs < 0) {
      event.wait(lock, done);
    } else {
      event.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    }
  }
  // Guards the state changes, the receive side's data, the threads and the
  // flags below.
  std::mutex mutex_;
  std::condition_variable event_;
  // Set by closing, written under mutex_; the threads test it once more
  // right before each socket call, so that none starts on a handle being
  // given back.
  std::atomic<bool> stopping_{false};
  bool wakeRequested_ = false;
  SocketThread receiver_{mutex_};

  std::atomic<int> state_{kSocketCreated};
  std::atomic<SocketHandle> handle_{kNoSocket};
  std::string addressText_;
  int port_ = 0;
  Ipv4Address peerAddress_ = 0;

 private:
  // Makes `handle` the wrapper's socket, closing an earlier one.
  void Take(SocketHandle handle, Ipv4Address peer, const std::string& addressText, int state);
  // The receive thread: ReceiveLoop, then state 8 and a last notice.
  void RunReceive(SocketHandle handle);
  std::function<void()> onActivity_;
};

}  // namespace platform
