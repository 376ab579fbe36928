// What opening a file means on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "header/test_file.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/process.h"

namespace zmk {
namespace {

TEST(FileTest, OpenIsExclusive) {
  test::TempFile file("ZMK$");
  HANDLE other = ::CreateFileA(file.path().c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_THROW(File::Open(file.path()), OpenError);
  ::CloseHandle(other);
  {
    File f = File::Open(file.path());
    // While the module holds it, nobody else opens it.
    HANDLE again = ::CreateFileA(file.path().c_str(), GENERIC_READ,
                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(again, INVALID_HANDLE_VALUE);
    if (again != INVALID_HANDLE_VALUE) ::CloseHandle(again);
  }
  EXPECT_FALSE(HoldsOpen(file.path()));
  File reopened = File::Open(file.path());
  EXPECT_TRUE(HoldsOpen(file.path()));
}

TEST(FileTest, DevicesAreRefused) {
  EXPECT_THROW(File::Open("NUL"), OpenError);
  EXPECT_THROW(File::Open("CONIN$"), OpenError);
}

TEST(AbsoluteFileNameTest, UsesTheCurrentDirectory) {
  char cwd[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryA(MAX_PATH, cwd), 0u);
  std::string dir = cwd;
  if (dir.back() != '\\') dir += '\\';
  EXPECT_EQ(AbsoluteFileName("a.zmk"), dir + "a.zmk");
  EXPECT_EQ(AbsoluteFileName("C:\\x\\..\\y\\a.zmk"), "C:\\y\\a.zmk");
  EXPECT_EQ(AbsoluteFileName(""), "");
}

}  // namespace
}  // namespace zmk
