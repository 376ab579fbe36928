// The running process, for the soak and the tests: figures about it, its
// threads, and files it holds; never linked into the module.
#ifndef ZMK_PLATFORM_PROCESS_H_
#define ZMK_PLATFORM_PROCESS_H_

#include <cstdint>
#include <functional>
#include <string>

namespace zmk {

// Open descriptors (handles on Windows); 0 where the system does not count
// them (Wine), -1 on failure.
long OpenHandleCount();

// Memory the process holds, in KiB: the resident set, or on Windows the
// private bytes (the working set where those are not counted); -1 on failure.
long MemoryKiB();

// What OpenHandleCount counts, for messages.
const char* HandleWord();

// Runs body(0) to body(count - 1), each on a thread of its own, and waits
// for them all.
void RunThreads(int count, const std::function<void(int)>& body);

// Whether this process holds the named file open: on Windows, whether an
// exclusive open of it fails (Wine counts no handles); elsewhere, whether a
// descriptor names it.
bool HoldsOpen(const std::string& name);

// The system's code for a file that does not exist.
unsigned long FileNotFoundCode();

// A file that a reader must neither wait for nor read, made under a name no
// file has and gone with the object: on Windows one this process holds open
// without sharing, so that any other open fails; elsewhere a FIFO without a
// writer. Throws Error when it cannot be made.
class SpecialFile {
 public:
  explicit SpecialFile(const std::string& name);
  SpecialFile(const SpecialFile&) = delete;  // assignment too, by the const
  ~SpecialFile();
  const std::string& path() const { return path_; }

 private:
  const std::string path_;
  [[maybe_unused]] std::intptr_t handle_ = -1;  // Windows: the handle held open
};

}  // namespace zmk

#endif  // ZMK_PLATFORM_PROCESS_H_
