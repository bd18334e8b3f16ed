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
  // Called on the receive thread, with no lock held, after bytes arrive and
  // when receiving ends. It may take data, read the state and wake waiters;
  // closing or restarting this wrapper is for other threads.
  void SetActivityCallback(std::function<void()> onActivity);

  // Any state, any number of times; returns once the wrapper's threads have
  // ended. OpenSocket makes the wrapper usable again.
  virtual void CloseSocket();

  int State() const { return state_.load(); }
  const std::string& AddressText() const { return addressText_; }
  int Port() const { return port_; }
  Ipv4Address OwnHostAddress() const { return ownHostAddress_; }

 protected:
  // Creates the socket and finds the own host address. 0, or 1 when the
  // socket cannot be made (the state then stays as it was).
  int Open(SocketKind kind);
  // The receive thread's body; ends when a receive fails or returns 0.
  virtual void ReceiveLoop(SocketHandle handle) = 0;
  // Derived wrappers stop and join their own threads here, before the
  // handle goes.
  virtual void StopOwnThreads() {}
  // Drops the data of an earlier connection (takes its own locks).
  virtual void ResetBuffers() = 0;

  // Under mutex_: true when the waiting reader has something to take.
  virtual bool HasReceivedLocked() = 0;
  // The waiting reader's wait: until HasReceivedLocked, receiving ended,
  // Wake or the timeout (-1: none). Returns HasReceivedLocked.
  bool WaitReceived(int timeoutMs);
  // The receive thread reports new data or its end.
  void NotifyActivity();

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
  // Joins an ended or stopped thread, unless it is the calling thread (an
  // activity callback that asks), which is then left to end by itself.
  static void Join(std::thread& thread);

  // Guards the state changes, the receive side's data, the thread objects
  // and the flags below.
  std::mutex mutex_;
  std::condition_variable event_;
  bool stopping_ = false;
  bool receiving_ = false;
  bool wakeRequested_ = false;
  std::thread receiveThread_;

  std::atomic<int> state_{kSocketCreated};
  std::atomic<SocketHandle> handle_{kNoSocket};
  std::string addressText_;
  int port_ = 0;
  Ipv4Address ownHostAddress_ = 0;
  Ipv4Address peerAddress_ = 0;

 private:
  // The receive thread: ReceiveLoop, then state 8 and a last notice.
  void RunReceive(SocketHandle handle);
  std::function<void()> onActivity_;
};

}  // namespace platform
