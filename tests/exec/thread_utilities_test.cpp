#include <gtest/gtest.h>

#include <atomic>
#include <future>

#include "exec/critical_section.h"
#include "exec/worker_thread.h"

namespace {

// Unlocking without holding is harmless; the lock is recursive and
// released at the end of its scope.
TEST(ScopedLock, RecursiveAndReleasedAtScopeEnd) {
  exec::CriticalSection section;
  {
    exec::ScopedLock guard(section);
    EXPECT_TRUE(guard.Unlock());
    EXPECT_TRUE(guard.Lock());
    EXPECT_TRUE(guard.Unlock());
    EXPECT_TRUE(guard.Unlock());
    exec::ScopedLock outer(section, true);
    exec::ScopedLock inner(section, true);  // same thread takes it again
  }
  std::atomic<bool> taken{false};
  exec::WorkerThread other;
  ASSERT_TRUE(other.Begin([&] {
    exec::ScopedLock guard(section, true);
    taken = true;
  }));
  other.Join();
  EXPECT_TRUE(taken);
}

TEST(WorkerThread, IsAliveDoesNotBlockAndReleasesAnEndedThread) {
  std::promise<void> release;
  std::future<void> released = release.get_future();
  exec::WorkerThread worker;
  ASSERT_TRUE(worker.Begin([&] { released.wait(); }));
  EXPECT_TRUE(worker.IsAlive());
  EXPECT_FALSE(worker.Begin([] {}));  // one thread at a time
  release.set_value();
  worker.Join();
  EXPECT_FALSE(worker.IsAlive());  // released once ended
  EXPECT_FALSE(worker.IsAlive());
  ASSERT_TRUE(worker.Begin([] {}));  // usable again
  worker.Join();
}

TEST(WorkerThread, PausesOnlyAtItsPausePoint) {
  exec::CriticalSection section;
  std::atomic<int> passes{0};
  std::atomic<bool> stop{false};
  std::promise<void> passed;
  std::future<void> firstPass = passed.get_future();
  exec::WorkerThread worker;
  worker.Pause();  // published before the thread runs
  ASSERT_TRUE(worker.Begin([&] {
    while (!stop) {
      worker.PausePoint();
      exec::ScopedLock guard(section, true);
      if (++passes == 1) passed.set_value();
    }
  }));
  // While paused it holds no lock: the owner can take it.
  {
    exec::ScopedLock guard(section, true);
    EXPECT_EQ(passes, 0);
  }
  worker.Resume();
  firstPass.wait();
  stop = true;
  worker.Join();
  EXPECT_GT(passes, 0);
}

}  // namespace
