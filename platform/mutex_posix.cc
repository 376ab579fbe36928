#include <pthread.h>

#include <new>

#include "platform/mutex.h"

namespace zmk {

namespace {

pthread_mutex_t* Native(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

}  // namespace

void Mutex::Lock() { ::pthread_mutex_lock(Native(lock_)); }

void Mutex::Unlock() { ::pthread_mutex_unlock(Native(lock_)); }

Mutex::Mutex() {
  static_assert(sizeof(pthread_mutex_t) <= sizeof lock_ &&
                alignof(pthread_mutex_t) <= alignof(Mutex), "Mutex::lock_ holds the lock");
  new (lock_) pthread_mutex_t(PTHREAD_MUTEX_INITIALIZER);
}

Mutex::~Mutex() { ::pthread_mutex_destroy(Native(lock_)); }

}  // namespace zmk
