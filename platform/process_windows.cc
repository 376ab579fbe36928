#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <psapi.h>

#include "platform/process.h"

namespace zmk {

long OpenHandleCount() {
  DWORD count = 0;
  return ::GetProcessHandleCount(::GetCurrentProcess(), &count) ? static_cast<long>(count) : -1;
}

long MemoryKiB() {
  PROCESS_MEMORY_COUNTERS_EX pmc;
  if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(),
                                 reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
    return -1;
  }
  // Wine leaves PrivateUsage at 0; the working set is filled everywhere.
  return static_cast<long>((pmc.PrivateUsage ? pmc.PrivateUsage : pmc.WorkingSetSize) / 1024);
}

const char* HandleWord() { return "handles"; }

}  // namespace zmk
