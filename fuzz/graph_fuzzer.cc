// The delivery check's graph on deliveries built in memory: up to 32
// packages whose RUIDs, paths, versions and dates come from small sets, so
// that duplicates, missing RUIDs, self-dependencies, cycles and equal paths
// are common. What CheckDelivery finds is held against the reference model
// (graph_reference.h).
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "fuzz/graph_reference.h"
#include "tools/zmkinfo/check.h"

namespace {

using zmk::PackageFile;
using zmk::TRUID;
using State = PackageFile::State;

using zmk::fuzz::kMaxPackages;

// Pairs that differ in one number only, and numbers past 16 bits, so that
// "by value" means both numbers.
const TRUID kRUIDs[] = {
    {1, 1}, {1, 2}, {2, 1}, {7, 7}, {65536, 1}, {1, 65536}, {2147483647, 2147483647}, {3, 3}};
const char* const kPaths[] = {"a.zmk", "b.zmk", "B.zmk", "a/b.zmk", "", "c.ZMK"};
const std::int32_t kVersions[] = {0, 1, -1};
struct Date {
  double day_count;
  bool valid;  // a date the module can show, years 1 to 65535
};
const Date kDates[] = {
    {46000.0, true},
    {46000.5, true},
    {-693593.0, true},
    {-693594.0, false},
    {0.0, true},
    {23242573.0, false},
    {std::numeric_limits<double>::quiet_NaN(), false},
    {std::numeric_limits<double>::infinity(), false},
};

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], std::uint8_t byte) {
  return table[byte % N];
}

// The input's bytes, then zeros.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool Left() const { return at_ < size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Per package: state, path, RUID, version, date, dependency count (its low
// bits) and cut (its high bit), then the dependencies. Files that are not
// whole keep values too: the steps must ignore them.
std::vector<PackageFile> Delivery(Bytes* in, std::vector<bool>* valid_date) {
  std::vector<PackageFile> files;
  while (in->Left() && files.size() < kMaxPackages) {
    PackageFile f;
    const std::uint8_t state = in->Next() % 10;
    f.state = state < 6 ? State::kWhole : static_cast<State>(state - 5);
    f.path = Pick(kPaths, in->Next());
    f.ruid = Pick(kRUIDs, in->Next());
    f.version = Pick(kVersions, in->Next());
    const Date& date = Pick(kDates, in->Next());
    f.modified = date.day_count;
    valid_date->push_back(date.valid);
    const std::uint8_t deps = in->Next();
    for (int k = 0; k < deps % 5; ++k) f.depends_on.push_back(Pick(kRUIDs, in->Next()));
    if (deps & 0x80) {
      f.depends_declared = 100;
      f.depends_kept = 40;
    }
    files.push_back(std::move(f));
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  std::vector<bool> valid_date;
  const std::vector<PackageFile> files = Delivery(&in, &valid_date);
  zmk::fuzz::RequireReferenceResult(files, valid_date, zmk::CheckDelivery(files));
  return 0;
}
