#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <psapi.h>

#include <vector>

#include "platform/error.h"
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

namespace {

struct ThreadArg {
  const std::function<void(int)>* body;
  int index;
};

DWORD WINAPI ThreadMain(void* p) {
  auto* arg = static_cast<ThreadArg*>(p);
  (*arg->body)(arg->index);
  return 0;
}

}  // namespace

void RunThreads(int count, const std::function<void(int)>& body) {
  std::vector<ThreadArg> args(static_cast<std::size_t>(count));
  std::vector<HANDLE> threads;
  for (int i = 0; i < count; ++i) {
    args[i] = {&body, i};
    threads.push_back(::CreateThread(nullptr, 0, ThreadMain, &args[i], 0, nullptr));
  }
  for (HANDLE t : threads) {
    ::WaitForSingleObject(t, INFINITE);
    ::CloseHandle(t);
  }
}

bool HoldsOpen(const std::string& name) {
  HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return true;
  ::CloseHandle(h);
  return false;
}

unsigned long FileNotFoundCode() { return ERROR_FILE_NOT_FOUND; }

SpecialFile::SpecialFile(const std::string& name) : path_(name) {
  HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */,
                           nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    throw Error("cannot make the file " + name + ": " + SystemErrorText(::GetLastError()));
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
}

SpecialFile::~SpecialFile() { ::CloseHandle(reinterpret_cast<HANDLE>(handle_)); }

}  // namespace zmk
