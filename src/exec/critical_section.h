// A recursive in-process lock and the guard the program takes it through.
#pragma once

#include <mutex>

namespace exec {

class CriticalSection {
 public:
  bool Lock() {
    mutex_.lock();
    return true;
  }
  bool Unlock() {
    mutex_.unlock();
    return true;
  }

 private:
  std::recursive_mutex mutex_;
};

// Refers to a CriticalSection it does not own. Callers may lock and unlock
// it several times in one scope; whatever it still holds at the end is
// released.
class ScopedLock {
 public:
  explicit ScopedLock(CriticalSection& lock, bool takeNow = false) : lock_(lock) {
    if (takeNow) Lock();
  }
  ~ScopedLock() { Unlock(); }
  ScopedLock(const ScopedLock&) = delete;
  ScopedLock& operator=(const ScopedLock&) = delete;

  bool Lock() {
    if (!acquired_) acquired_ = lock_.Lock();
    return acquired_;
  }
  // True when the guard no longer holds the lock, so a second call is harmless.
  bool Unlock() {
    if (acquired_) acquired_ = !lock_.Unlock();
    return !acquired_;
  }

 private:
  CriticalSection& lock_;
  bool acquired_ = false;
};

}  // namespace exec
