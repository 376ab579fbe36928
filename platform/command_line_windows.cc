#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include "platform/command_line.h"
#include "platform/wide.h"

namespace zmk {

const char kPathSeparator = '\\';

namespace {

// The name in the ANSI code page, if the code page holds every character
// of it (no best-fit look-alikes: "α" must not become "a", another file).
bool ToAnsi(const std::wstring& wide, std::string* ansi) {
  ansi->clear();
  if (wide.empty()) return true;
  // UTF-8, which a system may have as its ANSI code page, takes neither
  // flag nor default character; it holds every name, and the way back
  // below finds what it could not carry (a lone surrogate).
  const bool utf8 = ::GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lossy = FALSE;
  BOOL* lossy_out = utf8 ? nullptr : &lossy;
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr,
                                      lossy_out);
  if (n <= 0 || lossy) return false;
  ansi->assign(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, flags, wide.data(), size, &(*ansi)[0], n, nullptr, lossy_out);
  std::wstring back(wide.size(), L'\0');
  return !lossy && ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi->data(), n, &back[0],
                                         size) == size &&
         back == wide;
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::string> args;
  if (argv == nullptr) return args;
  for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
  ::LocalFree(argv);
  return args;
}

unsigned long WriteOutput(OutputStream stream, std::string_view text) {
  return WriteTo(::GetStdHandle(stream == OutputStream::kOut ? STD_OUTPUT_HANDLE
                                                             : STD_ERROR_HANDLE),
                 text);
}

unsigned long FlushOutput() { return 0; }

std::string OutputErrorText(unsigned long code) { return WideErrorText(code); }

std::FILE* OpenUserFile(const std::string& name) {
  return ::_wfopen(Utf8ToWide(name).c_str(), L"rb");
}

std::string UserFullPath(const std::string& name) {
  std::wstring full;
  return FullPathWide(Utf8ToWide(name), &full) ? WideToUtf8(full) : name;
}

bool NameForModule(const std::string& name, std::string* module_name, std::string* reason) {
  const std::wstring wide = Utf8ToWide(name);
  if (ToAnsi(wide, module_name)) return true;
  const DWORD size = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
  std::wstring short_name(size, L'\0');
  const DWORD len = size == 0 ? 0 : ::GetShortPathNameW(wide.c_str(), &short_name[0], size);
  if (len == 0 || len >= size) {
    *reason = WideErrorText(::GetLastError());
    return false;
  }
  short_name.resize(len);
  if (ToAnsi(short_name, module_name)) return true;
  *reason = "its name does not fit the ANSI code page " + std::to_string(::GetACP()) +
            " and the volume gives it no short (8.3) name";
  return false;
}

std::string ModuleMessage(std::string_view text) { return AnsiToUtf8(text); }

}  // namespace zmk
