#include "platform/file.h"

#include <gtest/gtest.h>

#include <string>

#include "header/test_file.h"
#include "platform/error.h"
#include "platform/process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zmk {
namespace {

TEST(FileTest, ReadsAnExistingFile) {
  test::TempFile file("abcdef");
  File f = File::Open(file.path());
  char buf[16];
  EXPECT_EQ(f.Read(buf, sizeof buf), 6u);
  EXPECT_EQ(std::string(buf, 6), "abcdef");
  EXPECT_EQ(f.Read(buf, sizeof buf), 0u);
}

TEST(FileTest, SkipChecksThatTheBytesAreThere) {
  test::TempFile file("abcdef");
  File f = File::Open(file.path());
  char c;
  EXPECT_TRUE(f.Skip(2));
  ASSERT_EQ(f.Read(&c, 1), 1u);
  EXPECT_EQ(c, 'c');
  EXPECT_TRUE(f.Skip(3));  // to the very end
  EXPECT_EQ(f.Read(&c, 1), 0u);
  EXPECT_TRUE(f.Skip(0));
  EXPECT_FALSE(f.Skip(1));
}

TEST(FileTest, OpenFailureMessage) {
  const std::string name = test::MissingFileName();
  try {
    File::Open(name);
    FAIL() << "no error";
  } catch (const OpenError& e) {
#ifdef _WIN32
    const unsigned long not_found = ERROR_FILE_NOT_FOUND;
#else
    const unsigned long not_found = ENOENT;
#endif
    // The system's own text, less what trails its last word.
    const std::string prefix = "Cannot open file \"" + AbsoluteFileName(name) + "\". ";
    const std::string message = e.what();
    const std::string system_text = SystemErrorText(not_found);
    ASSERT_EQ(message.substr(0, prefix.size()), prefix);
    const std::string text = message.substr(prefix.size());
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(system_text.substr(0, text.size()), text);
    EXPECT_EQ(system_text.find_first_not_of(". \r\n", text.size()),
              std::string::npos)
        << message;
    EXPECT_NE(text.back(), '.');
  }
}

#ifdef _WIN32

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
  File reopened = File::Open(file.path());
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

#else

// The open looks no further than the name: a FIFO without a writer and a
// device answer at once with what they hold, a directory with the failure
// of its first read.
TEST(FileTest, NothingWaitsAndADirectoryFailsItsFirstRead) {
  std::string fifo = test::MissingFileName();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  char c;
  {
    File f = File::Open(fifo);
    EXPECT_EQ(f.Read(&c, 1), 0u);
    EXPECT_EQ(f.error(), 0u);
  }
  ::unlink(fifo.c_str());
  File null = File::Open("/dev/null");
  EXPECT_EQ(null.Read(&c, 1), 0u);
  EXPECT_EQ(null.error(), 0u);
  File dir = File::Open("/");
  EXPECT_EQ(dir.Read(&c, 1), 0u);
  EXPECT_EQ(dir.error(), static_cast<unsigned long>(EISDIR));
}

TEST(FileTest, NoDescriptorOutlivesTheFile) {
  test::TempFile file("abc");
  const int before = OpenHandleCount();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 10; ++i) {
    File f = File::Open(file.path());
    EXPECT_THROW(File::Open(test::MissingFileName()), OpenError);
    File null = File::Open("/dev/null");
  }
  EXPECT_EQ(OpenHandleCount(), before);
}

TEST(AbsoluteFileNameTest, ResolvesAgainstTheCurrentDirectory) {
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  const std::string here = cwd;
  const struct {
    std::string name;
    std::string absolute;
  } cases[] = {
      {"", ""},
      {"/a/b.zmk", "/a/b.zmk"},
      {"/a/./b/../c.zmk", "/a/c.zmk"},
      {"//a///b", "/a/b"},
      {"/..", "/"},
      {"/a/b/", "/a/b/"},
      {"x.zmk", (here == "/" ? "" : here) + "/x.zmk"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AbsoluteFileName(c.name), c.absolute) << c.name;
  }
}

#endif

}  // namespace
}  // namespace zmk
