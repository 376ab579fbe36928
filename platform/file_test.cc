#include "platform/file.h"

#include <gtest/gtest.h>

#include <string>

#include "header/test_file.h"
#include "platform/error.h"
#include "platform/process.h"

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
    const unsigned long not_found = FileNotFoundCode();
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

TEST(TidyErrorTextTest, DropsPlaceholdersAndWhatTrails) {
  const struct {
    const char* text;
    const char* tidy;
  } cases[] = {
      {"No such file or directory", "No such file or directory"},
      {"The system cannot find the file specified.\r\n", "The system cannot find the file specified"},
      {"Bad EXE format for %1.\r\n", "Bad EXE format for"},
      {"%1 is not a valid Win32 application.\r\n", "is not a valid Win32 application"},
      {"The file %1 is in use by %2!s!.", "The file is in use by"},
      {"100% sure; 50%", "100% sure; 50%"},
      {"%1", ""},
      {" ...\n", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TidyErrorText(c.text), c.tidy) << c.text;
}

}  // namespace
}  // namespace zmk
