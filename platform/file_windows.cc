#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

#include "platform/error.h"
#include "platform/file.h"

namespace zmk {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

File File::Open(const std::string& name) {
  HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ, 0 /* no sharing */,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
  if (h == INVALID_HANDLE_VALUE) throw OpenFailure(name, ::GetLastError());
  File file(reinterpret_cast<std::intptr_t>(h));
  // A console or a pipe would make the host wait for input.
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    throw OpenFailure(name, ERROR_INVALID_FUNCTION);
  }
  return file;
}

File::File(File&& other) noexcept
    : handle_(other.handle_), error_(other.error_) {
  other.handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

File::~File() {
  if (AsHandle(handle_) != INVALID_HANDLE_VALUE) ::CloseHandle(AsHandle(handle_));
}

std::size_t File::Read(void* dst, std::size_t count) {
  char* out = static_cast<char*>(dst);
  std::size_t total = 0;
  // ReadFile takes a 32-bit count.
  while (total < count) {
    DWORD chunk = static_cast<DWORD>(
        count - total > 0x40000000u ? 0x40000000u : count - total);
    DWORD got = 0;
    if (!::ReadFile(AsHandle(handle_), out + total, chunk, &got, nullptr)) {
      error_ = ::GetLastError();
      break;
    }
    if (got == 0) break;
    total += got;
    if (got < chunk) break;
  }
  return total;
}

bool File::Skip(std::uint64_t count) {
  if (count == 0) return true;
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(count - 1);
  if (!::SetFilePointerEx(AsHandle(handle_), distance, nullptr, FILE_CURRENT)) {
    return false;
  }
  char last;
  return Read(&last, 1) == 1;
}

const char* NextChar(const char* p) { return ::CharNextA(p); }

std::string SystemErrorText(unsigned long system_code) {
  char* buf = nullptr;
  DWORD len = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
          FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, system_code, 0, reinterpret_cast<LPSTR>(&buf), 0, nullptr);
  std::string text;
  if (buf != nullptr) {
    text.assign(buf, len);
    ::LocalFree(buf);
  }
  return text;
}

std::string AbsoluteFileName(const std::string& name) {
  if (name.empty()) return name;
  DWORD size = ::GetFullPathNameA(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return name;
  std::string path(size, '\0');
  DWORD len = ::GetFullPathNameA(name.c_str(), size, &path[0], nullptr);
  if (len == 0 || len >= size) return name;
  path.resize(len);
  return path;
}

}  // namespace zmk
