#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/error.h"
#include "platform/wide.h"

namespace zmk {

namespace {

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  if (n > 0) ::MultiByteToWideChar(code_page, 0, text.data(), size, &wide[0], n);
  return wide;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }

std::string WideToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int size = static_cast<int>(text.size());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &utf8[0], n, nullptr, nullptr);
  return utf8;
}

bool FullPathWide(const std::wstring& name, std::wstring* full) {
  if (name.empty()) return false;
  const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return false;
  full->assign(size, L'\0');
  const DWORD len = ::GetFullPathNameW(name.c_str(), size, &(*full)[0], nullptr);
  if (len == 0 || len >= size) return false;
  full->resize(len);
  return true;
}

std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(ToWide(CP_ACP, text)); }

std::string WideErrorText(unsigned long system_code) {
  wchar_t* buf = nullptr;
  const DWORD len = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, system_code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring text;
  if (buf != nullptr) {
    text.assign(buf, len);
    ::LocalFree(buf);
  }
  std::string utf8 = TidyErrorText(WideToUtf8(text));
  if (utf8.empty()) return "system error " + std::to_string(system_code);
  return utf8;
}

Sink SinkOf(void* handle) {
  // Only a console has a console mode: NUL, a character device too, has
  // none.
  DWORD mode;
  return ::GetConsoleMode(handle, &mode) ? Sink::kConsole : Sink::kBytes;
}

unsigned long WriteTo(void* handle, std::string_view text) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
  if (SinkOf(handle) == Sink::kConsole) {
    const std::wstring wide = Utf8ToWide(text);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD wrote = 0;
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      // A pair of surrogates goes in one piece.
      if (chunk > 1 && IS_HIGH_SURROGATE(wide[done + chunk - 1])) --chunk;
      if (!::WriteConsoleW(handle, wide.data() + done, chunk, &wrote, nullptr)) {
        return ::GetLastError();
      }
      if (wrote == 0) return ERROR_WRITE_FAULT;
      done += wrote;
    }
    return 0;
  }
  for (std::size_t done = 0; done < text.size();) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
    if (!::WriteFile(handle, text.data() + done, chunk, &wrote, nullptr)) return ::GetLastError();
    if (wrote == 0) return ERROR_WRITE_FAULT;
    done += wrote;
  }
  return 0;
}

}  // namespace zmk
