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
#include "plugin/fields.h"
#include "plugin/lib_info.h"

namespace zmk {
namespace {

// Whether the module's answer `result`, `buf` is the record's value of the
// field.
bool Answers(const FieldInfo& field, const TZMKRec& rec, int result, const char* buf) {
  if (result != field.type) return false;
  if (field.text != nullptr) return rec.*field.text == buf;
  if (field.number != nullptr) return std::memcmp(buf, &(rec.*field.number), 4) == 0;
  const HostDate date = DayCountToDate(rec.*field.days);
  return std::memcmp(buf, &date, sizeof date) == 0;
}

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

  // What each file's fields must read, and in every field no two files alike.
  std::vector<TZMKRec> records;
  for (const auto& file : files) {
    TFileCache cache;
    cache.Refresh(file->path().c_str());
    records.push_back(cache.Values());
  }
  for (int i = 0; i < kFiles; ++i) {
    for (const FieldInfo& field : kFields) {
      char buf[128];
      std::memset(buf, 0, sizeof buf);
      const int result = get_value(files[i]->path().c_str(), &field - kFields, 0, buf, sizeof buf, 0);
      for (int j = 0; j < kFiles; ++j) {
        EXPECT_EQ(Answers(field, records[j], result, buf), i == j) << field.name << i << j;
      }
    }
  }

  constexpr int kThreads = 4;
  constexpr int kRounds = 3000;
  std::atomic<int> wrong{0};
  std::atomic<int> answered{0};
  RunThreads(kThreads, [&](int t) {
    char buf[128];
    for (int r = 0; r < kRounds; ++r) {
      const int i = (r * 7 + t * 3) % kFiles;
      const int field = r % kFieldCount;
      std::memset(buf, 0, sizeof buf);
      const int result = get_value(files[i]->path().c_str(), field, 0, buf, sizeof buf, 0);
      if (!Answers(kFields[field], records[i], result, buf)) ++wrong;
      ++answered;
    }
  });
  EXPECT_EQ(answered.load(), kThreads * kRounds);
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace zmk
