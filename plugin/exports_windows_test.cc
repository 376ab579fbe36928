// The exports on Windows: what opening a file means there.
#include <windows.h>

#include <string>

#include "header/test_file.h"
#include "plugin/exports_test.h"

namespace zmk {
namespace {

using test::TempFile;

TEST_F(ExportsTest, FileHeldOpenElsewhereIsAFileError) {
  TempFile file(test::WorkedExample());
  HANDLE other = ::CreateFileA(file.path().c_str(), GENERIC_READ,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  int result = 0;
  StringValue(file.path(), 1, 64, &result);
  EXPECT_EQ(result, ft_fileerror);
  ::CloseHandle(other);
  EXPECT_EQ(StringValue(file.path(), 1), "Test");
}
}  // namespace
}  // namespace zmk
