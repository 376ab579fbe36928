#include "plugin/lib_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "header/test_file.h"
#include "platform/error.h"

namespace zmk {
namespace {

using test::Bytes;
using test::TempFile;

// Rewrites the file behind `file` in place.
void Rewrite(const TempFile& file, const std::string& bytes) {
  TempFile replacement(bytes);
  std::remove(file.path().c_str());
  std::rename(replacement.path().c_str(), file.path().c_str());
}

std::string Named(const std::string& name) {
  return Bytes().Preamble().Int32(7).Int32(8).String(name).String("c")
      .Double(1.0).Int32(2).Byte(3).String("").String("").String("");
}

class LibInfoTest : public testing::Test {
 protected:
  void SetUp() override { FileCache = TZMKRec(); }
};

TEST_F(LibInfoTest, LoadsEveryDisplayValue) {
  TempFile file(Bytes()
                    .Preamble().Int32(12).Int32(3)
                    .String("Test").String("Comment")
                    .Double(38718.25).Int32(-5).Byte(200)
                    .String(" 12_3\r\n'4_5'\r\nabc")
                    .String("7.1").String("db"));
  Refresh(file.path());
  EXPECT_EQ(FileCache.RUIDText, "12_3");
  EXPECT_EQ(FileCache.Name, "Test");
  EXPECT_EQ(FileCache.Comment, "Comment");
  EXPECT_EQ(FileCache.Modified, 38718.25);
  EXPECT_EQ(FileCache.Version, -5);
  EXPECT_EQ(FileCache.IsFinal, 200);
  EXPECT_EQ(FileCache.DependsOnText, "\" 12_3\",4_5");
  EXPECT_EQ(FileCache.MinExeVersion, "7.1");
  EXPECT_EQ(FileCache.MinDBVersion, "db");
  EXPECT_EQ(FileCache.FileName, file.path());
}

TEST_F(LibInfoTest, SameNameIsAnsweredFromTheCache) {
  TempFile file(Named("first"));
  Refresh(file.path());
  Rewrite(file, Named("second"));
  for (int i = 0; i < 9; ++i) Refresh(file.path());
  EXPECT_EQ(FileCache.Name, "first");  // not read again
}

TEST_F(LibInfoTest, AnotherNameInBetweenReadsAgain) {
  TempFile a(Named("a1"));
  TempFile b(Named("b"));
  Refresh(a.path());
  Rewrite(a, Named("a2"));
  Refresh(b.path());
  EXPECT_EQ(FileCache.Name, "b");
  Refresh(a.path());
  EXPECT_EQ(FileCache.Name, "a2");
}

TEST_F(LibInfoTest, EmptyNameOnAFreshCacheReadsNothing) {
  Refresh("");
  EXPECT_EQ(FileCache.RUIDText, "");
  EXPECT_EQ(FileCache.FileName, "");
}

TEST_F(LibInfoTest, FileWithoutSignatureShowsDefaults) {
  TempFile file("just some text\r\n");
  Refresh(file.path());
  EXPECT_EQ(FileCache.RUIDText, "0_0");
  EXPECT_EQ(FileCache.Name, "");
  EXPECT_EQ(FileCache.DependsOnText, "");
  EXPECT_EQ(FileCache.Modified, 0.0);
  EXPECT_EQ(FileCache.Version, 0);
  EXPECT_EQ(FileCache.IsFinal, 0);
  EXPECT_EQ(FileCache.FileName, file.path());
}

TEST_F(LibInfoTest, FileCutAfterCommentShowsWhatItHas) {
  TempFile file(Bytes().Preamble().Int32(4).Int32(9).String("N").String("C")
                    .Raw("\x01\x02"));
  Refresh(file.path());
  EXPECT_EQ(FileCache.RUIDText, "4_9");
  EXPECT_EQ(FileCache.Name, "N");
  EXPECT_EQ(FileCache.Comment, "C");
  EXPECT_EQ(FileCache.Version, 0);
  EXPECT_EQ(FileCache.MinExeVersion, "");
}

TEST_F(LibInfoTest, FailedOpenLeavesCacheAndKey) {
  TempFile file(Named("kept"));
  Refresh(file.path());
  EXPECT_THROW(Refresh(test::MissingFileName()), OpenError);
  EXPECT_EQ(FileCache.Name, "kept");
  EXPECT_EQ(FileCache.FileName, file.path());
  // The empty name is another name once a file was loaded: it is tried and
  // fails the same way.
  EXPECT_THROW(Refresh(""), OpenError);
  EXPECT_EQ(FileCache.FileName, file.path());
  EXPECT_EQ(FileCache.Name, "kept");
}

}  // namespace
}  // namespace zmk
