// The built module, loaded and called through its exports as a host does:
// what every test of the exports shares.
#ifndef ZMK_PLUGIN_EXPORTS_TEST_H_
#define ZMK_PLUGIN_EXPORTS_TEST_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/host_locale.h"
#include "platform/module.h"
#include "plugin/content_plugin.h"

namespace zmk {

class ExportsTest : public testing::Test {
 protected:
  // The module's own bytes, Windows-1251, are what a Windows host gets, and
  // what the Linux module gives in a Windows-1251 locale.
  static void SetUpTestSuite() {
    ASSERT_TRUE(EnterWindows1251Locale()) << "scripts/install-deps generates ru_RU.CP1251";
    module_ = new Module(ZMK_MODULE_PATH);
  }
  static void TearDownTestSuite() {
    delete module_;
    module_ = nullptr;
    LeaveHostLocale();
  }

  static std::string DetectString(int max_len) {
    std::string buf(64, '#');
    module_->Function<ContentGetDetectStringFunc>("ContentGetDetectString")(
        &buf[8], max_len);
    return buf;
  }

  static int SupportedField(int index, std::string* name, std::string* units,
                            int max_len = 256) {
    return module_->Function<ContentGetSupportedFieldFunc>(
        "ContentGetSupportedField")(index, &(*name)[0], &(*units)[0], max_len);
  }

  static int Value(const char* file, int index, void* buf, int max_len) {
    return module_->Function<ContentGetValueFunc>("ContentGetValue")(
        file, index, 0, buf, max_len, 0);
  }

  // A string field read into a buffer of max_len bytes between guards.
  static std::string StringValue(const std::string& file, int index,
                                 int max_len = 1024, int* result = nullptr) {
    const std::size_t room = max_len > 0 ? static_cast<std::size_t>(max_len) : 0;
    std::string buf(room + 16, '#');
    int r = Value(file.c_str(), index, &buf[8], max_len);
    if (result != nullptr) *result = r;
    EXPECT_EQ(buf.substr(0, 8), "########");
    EXPECT_EQ(buf.substr(8 + room), "########") << "written past MaxLen";
    std::string written = buf.substr(8, room);
    std::size_t nul = written.find('\0');
    if (result == nullptr) {
      EXPECT_EQ(r, ft_string);
    }
    return nul == std::string::npos ? "<no NUL>" : written.substr(0, nul);
  }

  static std::string DateValue(const std::string& file) {
    unsigned char buf[16];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(Value(file.c_str(), 3, buf, sizeof buf), ft_date);
    EXPECT_EQ(buf[6], 0xEE);
    HostDate d;
    std::memcpy(&d, buf, sizeof d);
    return std::to_string(d.wYear) + "-" + std::to_string(d.wMonth) + "-" +
           std::to_string(d.wDay);
  }

  static std::int32_t IntValue(const std::string& file, int index, int type) {
    unsigned char buf[8];
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(Value(file.c_str(), index, buf, sizeof buf), type);
    EXPECT_EQ(buf[4], 0xEE);
    std::int32_t v;
    std::memcpy(&v, buf, sizeof v);
    return v;
  }

  static Module* module_;
};

}  // namespace zmk

#endif  // ZMK_PLUGIN_EXPORTS_TEST_H_
