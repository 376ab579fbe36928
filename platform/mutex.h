// A plain lock for state shared by calls that a host may make from several
// threads. The system's own lock lies behind it, so that no system header
// reaches the files that use it (the Windows cross-compilers have no
// std::mutex).
#ifndef ZMK_PLATFORM_MUTEX_H_
#define ZMK_PLATFORM_MUTEX_H_

namespace zmk {

class Mutex {
 public:
  Mutex();
  ~Mutex();
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void Lock();
  void Unlock();

 private:
  // Room for a pthread_mutex_t or a CRITICAL_SECTION.
  alignas(8) unsigned char lock_[48];
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
