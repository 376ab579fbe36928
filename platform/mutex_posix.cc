#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/mutex.h"

namespace zmk {

namespace {

void Futex(std::atomic<int>* word, int op, int value) {
  static_assert(sizeof(std::atomic<int>) == sizeof(int), "a futex is a plain int");
  ::syscall(SYS_futex, reinterpret_cast<int*>(word), op | FUTEX_PRIVATE_FLAG, value,
            nullptr, nullptr, 0);
}

}  // namespace

void Mutex::LockContended() {
  // Whoever takes the lock from here on marks it 2, so that its unlock
  // wakes the next waiter; a spurious wake-up just tries again.
  while (state_.exchange(2, std::memory_order_acquire) != 0) {
    Futex(&state_, FUTEX_WAIT, 2);
  }
}

void Mutex::WakeOne() { Futex(&state_, FUTEX_WAKE, 1); }

}  // namespace zmk
