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
#include <mutex>
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
  Mutex() = default;
  void Lock() { mu_.lock(); }
  void Unlock() { mu_.unlock(); }
#endif
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

 private:
#ifdef _WIN32
  CRITICAL_SECTION cs_;
#else
  std::mutex mu_;
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
