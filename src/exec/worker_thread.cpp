#include "exec/worker_thread.h"

#include <system_error>

namespace exec {

WorkerThread::~WorkerThread() {
  Resume();
  Join();
}

bool WorkerThread::Begin(std::function<void()> body) {
  if (IsAlive()) return false;
  finished_ = false;
  try {
    thread_ = std::thread([this, body = std::move(body)] {
      body();
      finished_ = true;
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool WorkerThread::IsAlive() {
  if (!thread_.joinable()) return false;
  if (!finished_) return true;
  thread_.join();
  return false;
}

void WorkerThread::Join() {
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::Pause() { paused_ = true; }

void WorkerThread::Resume() {
  {
    std::lock_guard<std::mutex> hold(pauseMutex_);
    paused_ = false;
  }
  pauseChanged_.notify_all();
}

void WorkerThread::PausePoint() {
  std::unique_lock<std::mutex> hold(pauseMutex_);
  pauseChanged_.wait(hold, [this] { return !paused_.load(); });
}

}  // namespace exec
