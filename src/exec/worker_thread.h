// A background thread with a liveness test that never blocks, and a
// cooperative pause: the worker stops only where it asks whether to, so it
// is never halted while it holds a lock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace exec {

class WorkerThread {
 public:
  WorkerThread() = default;
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `body` on a new thread. The owner publishes whatever the body reads
  // (stop flag, mode) before calling. False when a thread is already alive
  // or none could be created.
  bool Begin(std::function<void()> body);

  // True while the thread runs. Once it has ended the thread is released and
  // later calls give false at once.
  bool IsAlive();

  // Waits for the thread to end and releases it.
  void Join();

  // Asks the worker to stop at its next PausePoint, and lets it go on.
  void Pause();
  void Resume();

  // Called by the worker at the top of its loop: waits while paused.
  void PausePoint();

 private:
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<bool> paused_{false};
  std::mutex pauseMutex_;
  std::condition_variable pauseChanged_;
};

}  // namespace exec
