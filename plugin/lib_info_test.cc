#include "plugin/lib_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "platform/error.h"
#include "plugin/fields.h"
#include "plugin/record_test_util.h"

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
  void Refresh(const std::string& name) { cache_.Refresh(name.c_str()); }
  const TZMKRec& Values() const { return cache_.Values(); }

  TFileCache cache_;
};

TEST_F(LibInfoTest, LoadsEveryDisplayValue) {
  TempFile file(Bytes()
                    .Preamble().Int32(12).Int32(3)
                    .String("Test").String("Comment")
                    .Double(38718.25).Int32(-5).Byte(200)
                    .String(" 12_3\r\n'4_5'\r\nabc")
                    .String("7.1").String("db"));
  Refresh(file.path());
  EXPECT_EQ(Values().RUIDText, "12_3");
  EXPECT_EQ(Values().Name, "Test");
  EXPECT_EQ(Values().Comment, "Comment");
  EXPECT_EQ(Values().Modified, 38718.25);
  EXPECT_EQ(Values().Version, -5);
  EXPECT_EQ(Values().IsFinal, 200);
  EXPECT_EQ(Values().DependsOnText, "\" 12_3\",4_5");
  EXPECT_EQ(Values().MinExeVersion, "7.1");
  EXPECT_EQ(Values().MinDBVersion, "db");
  EXPECT_EQ(Values().FileName, file.path());
}

TEST_F(LibInfoTest, SameNameIsAnsweredFromTheCache) {
  TempFile file(Named("first"));
  Refresh(file.path());
  Rewrite(file, Named("second"));
  for (int i = 0; i < 9; ++i) Refresh(file.path());
  EXPECT_EQ(Values().Name, "first");  // not read again
}

TEST_F(LibInfoTest, AnotherNameInBetweenReadsAgain) {
  TempFile a(Named("a1"));
  TempFile b(Named("b"));
  Refresh(a.path());
  Rewrite(a, Named("a2"));
  Refresh(b.path());
  EXPECT_EQ(Values().Name, "b");
  Refresh(a.path());
  EXPECT_EQ(Values().Name, "a2");
}

// The records and the header keep their buffers from file to file: each
// file still shows nothing of the ones before it.
TEST_F(LibInfoTest, EachFileShowsOnlyItsOwnValues) {
  const std::string long_ruid = "147000000_1000000";
  const std::string files_bytes[] = {
      Bytes().Preamble().Int32(147000000).Int32(17).String(std::string(300, 'n'))
          .String("c").Double(45000.5).Int32(9).Byte(1)
          .String(long_ruid + "\r\n" + long_ruid + "\r\n'3_4'").String("4.2.1.0").String("2.10"),
      Named("short"),
      test::WorkedExample().substr(0, 40),
      "no header at all",
  };
  std::vector<std::unique_ptr<TempFile>> files;
  for (const std::string& bytes : files_bytes) files.push_back(std::make_unique<TempFile>(bytes));
  for (int round = 0; round < 3; ++round) {
    for (const auto& file : files) {
      SCOPED_TRACE(file->path());
      Refresh(file->path());
      TFileCache fresh;
      fresh.Refresh(file->path().c_str());
      for (const FieldInfo& field : kFields) {
        EXPECT_TRUE(test::SameValue(field, Values(), fresh.Values())) << &field - kFields;
      }
      EXPECT_EQ(Values().FileName, fresh.Values().FileName);
    }
  }
}

TEST_F(LibInfoTest, EmptyNameOnAFreshCacheReadsNothing) {
  Refresh("");
  EXPECT_EQ(Values().RUIDText, "");
  EXPECT_EQ(Values().FileName, "");
}

TEST_F(LibInfoTest, FileWithoutSignatureShowsDefaults) {
  TempFile file("just some text\r\n");
  Refresh(file.path());
  EXPECT_EQ(Values().RUIDText, "0_0");
  EXPECT_EQ(Values().Name, "");
  EXPECT_EQ(Values().DependsOnText, "");
  EXPECT_EQ(Values().Modified, 0.0);
  EXPECT_EQ(Values().Version, 0);
  EXPECT_EQ(Values().IsFinal, 0);
  EXPECT_EQ(Values().FileName, file.path());
}

TEST_F(LibInfoTest, FileCutAfterCommentShowsWhatItHas) {
  TempFile file(Bytes().Preamble().Int32(4).Int32(9).String("N").String("C")
                    .Raw("\x01\x02"));
  Refresh(file.path());
  EXPECT_EQ(Values().RUIDText, "4_9");
  EXPECT_EQ(Values().Name, "N");
  EXPECT_EQ(Values().Comment, "C");
  EXPECT_EQ(Values().Version, 0);
  EXPECT_EQ(Values().MinExeVersion, "");
}

TEST_F(LibInfoTest, FailedOpenLeavesCacheAndKey) {
  TempFile file(Named("kept"));
  Refresh(file.path());
  EXPECT_THROW(Refresh(test::MissingFileName()), OpenError);
  EXPECT_EQ(Values().Name, "kept");
  EXPECT_EQ(Values().FileName, file.path());
  // The empty name is another name once a file was loaded: it is tried and
  // fails the same way.
  EXPECT_THROW(Refresh(""), OpenError);
  EXPECT_EQ(Values().FileName, file.path());
  EXPECT_EQ(Values().Name, "kept");
}

}  // namespace
}  // namespace zmk
