#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <new>

#include "platform/mutex.h"

namespace zmk {

namespace {

CRITICAL_SECTION* Native(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

Mutex::Mutex() {
  static_assert(sizeof(CRITICAL_SECTION) <= sizeof lock_ &&
                alignof(CRITICAL_SECTION) <= alignof(Mutex), "Mutex::lock_ holds the lock");
  ::InitializeCriticalSection(new (lock_) CRITICAL_SECTION);
}

Mutex::~Mutex() { ::DeleteCriticalSection(Native(lock_)); }

void Mutex::Lock() { ::EnterCriticalSection(Native(lock_)); }

void Mutex::Unlock() { ::LeaveCriticalSection(Native(lock_)); }

}  // namespace zmk
