// A plain lock for state shared by calls that a host may make from several
// threads. The Windows cross-compilers have no std::mutex.
#ifndef ZMK_PLATFORM_MUTEX_H_
#define ZMK_PLATFORM_MUTEX_H_

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <sys/single_threaded.h>

#include <atomic>
#endif

namespace zmk {

class Mutex {
 public:
#ifdef _WIN32
  Mutex() { ::InitializeCriticalSection(&cs_); }
  ~Mutex() { ::DeleteCriticalSection(&cs_); }
  void Lock() { ::EnterCriticalSection(&cs_); }
  void Unlock() { ::LeaveCriticalSection(&cs_); }
#else
  // A lock nobody else holds costs one atomic exchange each way, and none
  // while the process has a single thread (as glibc's own locks do); a
  // thread that has to wait sleeps in the kernel (a futex) instead of
  // spinning, since the holder may be reading a file from a slow disk. The
  // state is 0 free, 1 held, 2 held with threads waiting or about to.
  Mutex() = default;
  void Lock() {
    if (__libc_single_threaded) {
      state_.store(1, std::memory_order_relaxed);
      return;
    }
    int free = 0;
    if (!state_.compare_exchange_strong(free, 1, std::memory_order_acquire)) {
      LockContended();
    }
  }
  void Unlock() {
    // With a single thread, nobody can be waiting.
    if (__libc_single_threaded) {
      state_.store(0, std::memory_order_relaxed);
      return;
    }
    if (state_.exchange(0, std::memory_order_release) == 2) WakeOne();
  }
#endif
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

 private:
#ifdef _WIN32
  CRITICAL_SECTION cs_;
#else
  void LockContended();
  void WakeOne();

  std::atomic<int> state_{0};
#endif
};

class MutexLock {
 public:
  explicit MutexLock(Mutex* mu) : mu_(mu) { mu_->Lock(); }
  ~MutexLock() { mu_->Unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  Mutex* const mu_;
};

}  // namespace zmk

#endif  // ZMK_PLATFORM_MUTEX_H_
