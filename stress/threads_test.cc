// Several threads asking for fields of different files at once, through the
// module's exports: every answer must belong to the file asked for.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "header/test_file.h"
#include "platform/module.h"
#include "platform/process.h"
#include "plugin/content_plugin.h"

namespace zmk {
namespace {

TEST(ThreadsTest, AnswersNeverMixTwoFiles) {
  Module module(ZMK_MODULE_PATH);
  auto get_value = module.Function<ContentGetValueFunc>("ContentGetValue");

  constexpr int kFiles = 6;
  std::vector<std::unique_ptr<test::TempFile>> files;
  for (int i = 0; i < kFiles; ++i) {
    // Every field tells which file it came from.
    std::string tag = "file" + std::to_string(i);
    files.push_back(std::make_unique<test::TempFile>(
        test::Bytes().Preamble().Int32(100 + i).Int32(i + 1)
            .String(tag + "-name").String(tag + "-comment")
            .Double(1000.0 * i).Int32(i).Byte(static_cast<std::uint8_t>(i))
            .String(std::to_string(100 + i) + "_1").String(tag + "-exe")
            .String(tag + "-db")));
  }

  constexpr int kThreads = 4;
  constexpr int kRounds = 3000;
  std::atomic<int> wrong{0};
  std::atomic<int> answered{0};
  RunThreads(kThreads, [&](int t) {
    char buf[128];
    for (int r = 0; r < kRounds; ++r) {
      const int i = (r * 7 + t * 3) % kFiles;
      const std::string tag = "file" + std::to_string(i);
      const char* name = files[i]->path().c_str();
      const int field = r % 9;
      std::memset(buf, 0, sizeof buf);
      int result = get_value(name, field, 0, buf, sizeof buf, 0);
      std::int32_t number;
      std::memcpy(&number, buf, sizeof number);
      bool ok = true;
      switch (field) {
        case 0: ok = result == ft_string && std::to_string(100 + i) + "_" + std::to_string(i + 1) == buf; break;
        case 1: ok = result == ft_string && tag + "-name" == buf; break;
        case 2: ok = result == ft_string && tag + "-comment" == buf; break;
        case 3: ok = result == ft_date; break;
        case 4: ok = result == ft_numeric_32 && number == i; break;
        case 5: ok = result == ft_boolean && number == i; break;
        case 6: ok = result == ft_string && std::to_string(100 + i) + "_1" == buf; break;
        case 7: ok = result == ft_string && tag + "-exe" == buf; break;
        case 8: ok = result == ft_string && tag + "-db" == buf; break;
      }
      if (!ok) ++wrong;
      ++answered;
    }
  });
  EXPECT_EQ(answered.load(), kThreads * kRounds);
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace zmk
