// Loopback fixtures for the network tests: blocking stand-ins for a peer,
// made of the platform's loop types on a loop thread of the tests' own.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/datagram_port.h"
#include "platform/event_loop.h"
#include "platform/network_startup.h"
#include "platform/stream_connection.h"
#include "platform/stream_listener.h"

namespace socket_testing {

// Networking for the whole test program, once.
class NetworkingEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(platform::StartNetworking()); }
  void TearDown() override { platform::StopNetworking(); }
};
inline testing::Environment* const kNetworking = testing::AddGlobalTestEnvironment(new NetworkingEnvironment);

// Bounds every wait of a test, only so that a fault fails instead of hanging.
inline constexpr int kHangGuardMs = 30000;

inline constexpr platform::Ipv4Address kLoopback = 0x0100007Fu;  // 127.0.0.1 in network order

// One event loop on a thread for every stand-in below.
class TestLoop {
 public:
  static TestLoop& Get() {
    static TestLoop loop;
    return loop;
  }
  platform::EventLoop& Loop() { return loop_; }
  // Runs `task` on the loop's thread and waits for it.
  template <typename Task>
  auto Call(Task task) {
    std::packaged_task<decltype(task())()> packaged(std::move(task));
    auto result = packaged.get_future();
    loop_.Post([&packaged] { packaged(); });
    return result.get();
  }

 private:
  TestLoop() : thread_([this] { loop_.Run(); }) {}
  ~TestLoop() {
    loop_.Stop();
    thread_.join();
  }
  platform::EventLoop loop_;
  std::thread thread_;
};

// A TCP connection read and written by blocking calls: lines arrive into a
// queue on the loop's thread, and the test takes them with a bounded wait.
class BlockingStream {
 public:
  BlockingStream() = default;
  ~BlockingStream() { Close(); }
  BlockingStream(const BlockingStream&) = delete;
  BlockingStream& operator=(const BlockingStream&) = delete;

  // Connects to 127.0.0.1 at `port`; false when that fails.
  bool Connect(int port) {
    TestLoop::Get().Call([&] {
      Take(std::make_unique<platform::StreamConnection>(TestLoop::Get().Loop()));
      connection_->Connect(kLoopback, port);
    });
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), [&] { return shared_->connectDone; });
    return shared_->connected;
  }
  // An accepted connection, reading from now on (loop thread).
  void Take(std::unique_ptr<platform::StreamConnection> connection) {
    connection_ = std::move(connection);
    shared_ = std::make_shared<Shared>();
    std::shared_ptr<Shared> shared = shared_;
    const auto update = [shared](const std::function<void(Shared&)>& change) {
      std::lock_guard<std::mutex> lock(shared->mutex);
      change(*shared);
      shared->changed.notify_all();
    };
    connection_->SetEvents(
        {.connected = [update](bool ok) { update([ok](Shared& s) { s.connectDone = true, s.connected = ok, s.ended = !ok; }); },
         .line = [update](std::string_view line) { update([line](Shared& s) { s.lines.emplace_back(line); }); },
         .closed = [update] { update([](Shared& s) { s.ended = true; }); },
         .drained = [update] { update([](Shared& s) { s.drained = true; }); }});
    shared_->connected = connection_->IsOpen();
    if (shared_->connected) connection_->StartReading();
  }

  void Send(std::string bytes) {
    TestLoop::Get().Call([&] {
      if (connection_) connection_->Send(std::move(bytes));
    });
  }
  // The next line without its CR LF, waiting up to `waitMs`; false when none
  // came: the connection has ended (after its last lines) or the wait ran out.
  bool ReadLine(std::string& line, int waitMs = kHangGuardMs) {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                              [&] { return !shared_->lines.empty() || shared_->ended; });
    if (shared_->lines.empty()) return false;
    line = std::move(shared_->lines.front());
    shared_->lines.pop_front();
    return true;
  }
  // The peer has ended the connection (true) or the guard ran out.
  bool WaitEnded() {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    return shared_->changed.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), [&] { return shared_->ended; });
  }
  // Everything sent has gone to the system (or the guard ran out).
  void WaitSent() {
    const bool queued = TestLoop::Get().Call([&] {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      shared_->drained = false;
      return connection_ && connection_->QueuedBytes() > 0;
    });
    if (!queued) return;
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->changed.wait_for(lock, std::chrono::milliseconds(kHangGuardMs),
                              [&] { return shared_->drained || shared_->ended; });
  }
  void Close() {
    if (!shared_) return;
    TestLoop::Get().Call([&] { connection_.reset(); });
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->ended = true;
    shared_->changed.notify_all();
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> lines;
    bool connectDone = false;
    bool connected = false;
    bool ended = false;
    bool drained = false;
  };
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::unique_ptr<platform::StreamConnection> connection_;  // the loop's thread
};

// A TCP listener on 127.0.0.1, on a port the system chose; Accept waits.
class BlockingListener {
 public:
  BlockingListener() {
    TestLoop::Get().Call([&] {
      listener_ = std::make_unique<platform::StreamListener>(TestLoop::Get().Loop());
      if (!listener_->Listen(kLoopback, 0)) return;
      port_ = listener_->Port();
      listener_->StartAccepting([this](std::unique_ptr<platform::StreamConnection> connection) {
        std::lock_guard<std::mutex> lock(mutex_);
        accepted_.push_back(std::move(connection));
        changed_.notify_all();
      });
    });
  }
  ~BlockingListener() {
    TestLoop::Get().Call([&] {
      listener_.reset();
      accepted_.clear();
    });
  }
  int Port() const { return port_; }
  // Waits for the next connection (bounded) and hands it to `into`.
  bool Accept(BlockingStream& into) {
    std::unique_ptr<platform::StreamConnection> next;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!changed_.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), [&] { return !accepted_.empty(); })) {
        return false;
      }
      next = std::move(accepted_.front());
      accepted_.pop_front();
    }
    TestLoop::Get().Call([&] { into.Take(std::move(next)); });
    return true;
  }

 private:
  std::unique_ptr<platform::StreamListener> listener_;
  int port_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<platform::StreamConnection>> accepted_;
};

// A UDP port on 127.0.0.1 (or any address) whose datagrams wait for the test.
class BlockingDatagrams {
 public:
  explicit BlockingDatagrams(platform::Ipv4Address address = kLoopback, int port = 0) {
    TestLoop::Get().Call([&] {
      port_ = std::make_unique<platform::DatagramPort>(TestLoop::Get().Loop());
      port_->Open(address, port, [this](std::string_view bytes, platform::Ipv4Address, int) {
        std::lock_guard<std::mutex> lock(mutex_);
        received_.emplace_back(bytes);
        changed_.notify_all();
      });
    });
  }
  ~BlockingDatagrams() {
    TestLoop::Get().Call([&] { port_.reset(); });
  }
  int Port() {
    return TestLoop::Get().Call([&] { return port_->IsOpen() ? port_->Port() : 0; });
  }
  bool SendTo(int port, const std::string& bytes) {
    return TestLoop::Get().Call([&] { return port_->SendTo(kLoopback, port, bytes); });
  }
  // The next datagram, waiting (bounded); false when none came.
  bool Take(std::string& bytes) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), [&] { return !received_.empty(); })) {
      return false;
    }
    bytes = std::move(received_.front());
    received_.pop_front();
    return true;
  }

 private:
  std::unique_ptr<platform::DatagramPort> port_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> received_;
};

// Texts in the order they were noted; a wait for one is bounded.
class Notes {
 public:
  void Add(std::string note) {
    std::lock_guard<std::mutex> lock(mutex_);
    notes_.push_back(std::move(note));
    changed_.notify_all();
  }
  std::vector<std::string> All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return notes_;
  }
  bool Has(const std::string& note) {
    const std::vector<std::string> all = All();
    return std::find(all.begin(), all.end(), note) != all.end();
  }
  bool WaitFor(const std::string& note) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(kHangGuardMs),
                             [&] { return std::find(notes_.begin(), notes_.end(), note) != notes_.end(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> notes_;
};

}  // namespace socket_testing
