// GoogleTest's Notification is built on std::mutex, which the MinGW win32
// thread model lacks; this one is a Win32 event. Included ahead of every
// GoogleTest source in the Windows builds.
#ifndef ZMK_CMAKE_GTEST_WIN32_NOTIFICATION_H_
#define ZMK_CMAKE_GTEST_WIN32_NOTIFICATION_H_

#ifdef __cplusplus
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : event_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { ::CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { ::SetEvent(event_); }
  void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif  // __cplusplus

#endif  // ZMK_CMAKE_GTEST_WIN32_NOTIFICATION_H_
