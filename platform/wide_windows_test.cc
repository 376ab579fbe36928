// How zmkinfo's text reaches a console, a file, a pipe and NUL on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/error.h"
#include "platform/module.h"
#include "platform/wide.h"

namespace zmk {
namespace {

// Cyrillic, Greek and CJK: no console code page holds them all.
const char kText[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "  // Привет
                     "\xCE\xB1\xCE\xB2\xCE\xB3 "                          // αβγ
                     "\xE4\xB8\xAD\xE6\x96\x87\n";                        // 中文

std::string ReadAll(HANDLE h) {
  std::string bytes;
  char buf[256];
  DWORD got;
  while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  return bytes;
}

TEST(OutputSink, RedirectedOutputGetsTheUtf8BytesAsTheyAre) {
  wchar_t dir[MAX_PATH], name[MAX_PATH];
  ASSERT_NE(::GetTempPathW(MAX_PATH, dir), 0u);
  ASSERT_NE(::GetTempFileNameW(dir, L"zmk", 0, name), 0u);
  HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SinkOf(file), Sink::kBytes);
  EXPECT_EQ(WriteTo(file, kText), 0u);
  ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  EXPECT_EQ(ReadAll(file), kText);  // "\n" stays "\n"
  ::CloseHandle(file);

  HANDLE read, write;
  ASSERT_TRUE(::CreatePipe(&read, &write, nullptr, 0));
  EXPECT_EQ(SinkOf(write), Sink::kBytes);
  EXPECT_EQ(WriteTo(write, kText), 0u);
  ::CloseHandle(write);
  EXPECT_EQ(ReadAll(read), kText);
  ::CloseHandle(read);

  // NUL is a character device, as a console is, but takes bytes.
  HANDLE nul = ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nul, INVALID_HANDLE_VALUE);
  EXPECT_EQ(::GetFileType(nul), static_cast<DWORD>(FILE_TYPE_CHAR));
  EXPECT_EQ(SinkOf(nul), Sink::kBytes);
  EXPECT_EQ(WriteTo(nul, kText), 0u);
  ::CloseHandle(nul);

  EXPECT_NE(WriteTo(INVALID_HANDLE_VALUE, kText), 0u);
}

TEST(OutputSink, AConsoleGetsTheCharacters) {
  // Under Wine a console that shows anything needs a terminal: the test
  // runs in a pseudo-terminal.
  if (::GetConsoleCP() == 0) {
    ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  }
  HANDLE console = ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               CONSOLE_TEXTMODE_BUFFER, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE) << ::GetLastError();
  // Whatever its code page: 866 on a Russian system.
  ::SetConsoleOutputCP(866);
  EXPECT_EQ(SinkOf(console), Sink::kConsole);
  EXPECT_EQ(WriteTo(console, kText), 0u);
  const std::wstring expected = L"\u041f\u0440\u0438\u0432\u0435\u0442 \u03b1\u03b2\u03b3 \u4e2d\u6587";
  std::wstring shown(expected.size(), L'\0');
  DWORD got = 0;
  ASSERT_TRUE(::ReadConsoleOutputCharacterW(console, &shown[0], static_cast<DWORD>(shown.size()),
                                            COORD{0, 0}, &got));
  shown.resize(got);
  EXPECT_EQ(WideToUtf8(shown), WideToUtf8(expected));
  ::CloseHandle(console);
}

// A file that is no module, or one for the other bitness: the system's
// reason, fetched without its inserts, shows no placeholder.
TEST(ModuleTest, LoadFailureShowsNoPlaceholder) {
  wchar_t dir[MAX_PATH], name[MAX_PATH];
  ASSERT_NE(::GetTempPathW(MAX_PATH, dir), 0u);
  ASSERT_NE(::GetTempFileNameW(dir, L"zmk", 0, name), 0u);
  HANDLE file = ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const char bytes[] = "MZ, and nothing of a module after it";
  DWORD wrote = 0;
  EXPECT_TRUE(::WriteFile(file, bytes, sizeof bytes, &wrote, nullptr));
  ::CloseHandle(file);
  try {
    Module module(WideToUtf8(name));
    ADD_FAILURE() << "loaded";
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_EQ(message.find('%'), std::string::npos) << message;
    EXPECT_NE(message.back(), '.') << message;
  }
  ::DeleteFileW(name);
  for (unsigned long code : {ERROR_BAD_EXE_FORMAT, ERROR_FILE_NOT_FOUND}) {
    const std::string text = WideErrorText(code);
    EXPECT_EQ(text.find('%'), std::string::npos) << text;
    EXPECT_EQ(text.find("system error"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace zmk
