#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/error.h"
#include "platform/file.h"

namespace zmk {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

UINT FileNameCodePage() { return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

// Every open, by either form of a name: for reading, an existing file only,
// with no sharing at all.
constexpr DWORD kAccess = GENERIC_READ;
constexpr DWORD kSharing = 0;

HANDLE CreateFileFor(const std::string& name) {
  return ::CreateFileA(name.c_str(), kAccess, kSharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE CreateFileFor(const std::wstring& name) {
  return ::CreateFileW(name.c_str(), kAccess, kSharing, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

const std::string& MessageName(const std::string& name) { return name; }

std::string MessageName(const std::wstring& wide) {
  std::string name;
  FileNameFromWide(wide, &name);
  return name;
}

template <typename Name>
File OpenByName(const Name& name) {
  HANDLE h = CreateFileFor(name);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    throw OpenFailure(MessageName(name), code);
  }
  File file = File::Adopt(reinterpret_cast<std::intptr_t>(h));
  if (!IsDiskFile(reinterpret_cast<std::intptr_t>(h))) {
    throw OpenFailure(MessageName(name), ERROR_INVALID_FUNCTION);
  }
  return file;
}

}  // namespace

bool IsDiskFile(std::intptr_t handle) { return ::GetFileType(AsHandle(handle)) == FILE_TYPE_DISK; }

File File::Open(const std::string& name) { return OpenByName(name); }

File File::Open(const std::wstring& name) { return OpenByName(name); }

bool FileNameToWide(const char* name, std::wstring* wide) {
  const std::size_t bytes = std::strlen(name);
  if (bytes > 0x7FFFFFFF) return false;
  // No code page gives more UTF-16 units than it takes bytes.
  wide->resize(bytes);
  if (bytes == 0) return true;
  const int units = ::MultiByteToWideChar(FileNameCodePage(), 0, name, static_cast<int>(bytes),
                                          &(*wide)[0], static_cast<int>(bytes));
  wide->resize(static_cast<std::size_t>(units));
  return units > 0;
}

void FileNameFromWide(const std::wstring& wide, std::string* name) {
  name->clear();
  if (wide.empty() || wide.size() > 0x7FFFFFFF) return;
  const int units = static_cast<int>(wide.size());
  const int bytes = ::WideCharToMultiByte(FileNameCodePage(), 0, wide.data(), units, nullptr,
                                          0, nullptr, nullptr);
  if (bytes <= 0) return;
  name->resize(static_cast<std::size_t>(bytes));
  ::WideCharToMultiByte(FileNameCodePage(), 0, wide.data(), units, &(*name)[0], bytes,
                        nullptr, nullptr);
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

bool FileKey::Assign(const char* name) {
  valid_ = FileNameToWide(name, &native_);
  return valid_;
}

bool FileKey::Matches(const char* name) {
  return valid_ && FileNameToWide(name, &scratch_) && scratch_ == native_;
}

void FileKey::ToAnsi(std::string* name) const { FileNameFromWide(native_, name); }

File FileKey::Open() const { return File::Open(native_); }

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
