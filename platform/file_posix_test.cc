// What opening a file means on POSIX systems.
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "header/test_file.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/process.h"

namespace zmk {
namespace {

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
    EXPECT_TRUE(HoldsOpen(file.path()));
    EXPECT_THROW(File::Open(test::MissingFileName()), OpenError);
    File null = File::Open("/dev/null");
  }
  EXPECT_EQ(OpenHandleCount(), before);
  EXPECT_FALSE(HoldsOpen(file.path()));
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

}  // namespace
}  // namespace zmk
