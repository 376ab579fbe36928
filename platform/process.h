// Figures about the running process, for the soak and the leak tests; never
// linked into the module.
#ifndef ZMK_PLATFORM_PROCESS_H_
#define ZMK_PLATFORM_PROCESS_H_

namespace zmk {

// Open descriptors (handles on Windows); 0 where the system does not count
// them (Wine), -1 on failure.
long OpenHandleCount();

// Memory the process holds, in KiB: the resident set, or on Windows the
// private bytes (the working set where those are not counted); -1 on failure.
long MemoryKiB();

// What OpenHandleCount counts, for messages.
const char* HandleWord();

}  // namespace zmk

#endif  // ZMK_PLATFORM_PROCESS_H_
