// The delivery diff on two deliveries built in memory, of up to 16 packages
// each, whose fields come from small sets so that equal RUIDs, duplicates
// and values that differ only as stored (a later hour, padding, a final
// byte of 2) are common. Checks what must hold whatever the deliveries: a
// delivery against itself is the same; swapping the sides swaps added and
// removed, upgraded and downgraded; every RUID is counted once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "tools/zmkinfo/diff.h"

namespace {

using zmk::DeliveryDiff;
using zmk::Move;
using zmk::PackageChange;
using zmk::PackageFile;
using zmk::TRUID;

const TRUID kRUIDs[] = {{1, 1}, {1, 2}, {2, 1}, {65536, 1}, {2147483647, 9}};
const char* const kPaths[] = {"a.zmk", "b.zmk", "c/a.zmk", ""};
const std::string kTexts[] = {"", "P", "Q", std::string("P\0x", 3)};
const char* const kVersionTexts[] = {"4.0", " 4.0\t", "4.1", ""};
const std::int32_t kVersions[] = {1, 2, -1};
const double kDates[] = {46000.0, 46000.75, 46001.0, -693594.0,
                         std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()};

template <typename T, std::size_t N>
const T& Pick(const T (&table)[N], std::uint8_t byte) {
  return table[byte % N];
}

struct Input {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  std::uint8_t Next() { return at < size ? data[at++] : 0; }
};

// Per package: state, then one byte for each field.
std::vector<PackageFile> Delivery(Input* in, std::size_t count) {
  std::vector<PackageFile> files;
  for (std::size_t i = 0; i < count && in->at < in->size; ++i) {
    PackageFile f;
    const std::uint8_t state = in->Next() % 12;
    f.state = state < 7 ? PackageFile::State::kWhole : static_cast<PackageFile::State>(state - 6);
    f.path = Pick(kPaths, in->Next());
    f.ruid = Pick(kRUIDs, in->Next());
    f.name = Pick(kTexts, in->Next());
    f.comment = Pick(kTexts, in->Next());
    f.modified = Pick(kDates, in->Next());
    f.version = Pick(kVersions, in->Next());
    f.is_final = in->Next() % 3;
    f.min_exe_version = Pick(kVersionTexts, in->Next());
    f.min_db_version = Pick(kVersionTexts, in->Next());
    const std::uint8_t deps = in->Next();
    for (int k = 0; k < deps % 4; ++k) f.depends_on.push_back(Pick(kRUIDs, in->Next()));
    if (deps & 0x80) f.depends_declared = 1;
    files.push_back(std::move(f));
  }
  return files;
}

void Require(bool holds) {
  if (!holds) std::abort();
}

bool Same(const TRUID& a, const TRUID& b) { return a.first == b.first && a.second == b.second; }

bool SameList(const std::vector<TRUID>& a, const std::vector<TRUID>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), Same);
}

std::vector<std::uint64_t> Keys(const std::vector<PackageFile>& files,
                                const std::vector<std::size_t>& list) {
  std::vector<std::uint64_t> keys;
  for (std::size_t i : list) keys.push_back(zmk::RUIDKey(files[i].ruid));
  std::sort(keys.begin(), keys.end());
  return keys;
}

Move Mirror(Move m) {
  return m == Move::kUpgraded ? Move::kDowngraded : m == Move::kDowngraded ? Move::kUpgraded : m;
}

// What holds of one diff on its own.
void CheckOne(const std::vector<PackageFile>& a, const std::vector<PackageFile>& b,
              const DeliveryDiff& d) {
  Require(d.added.size() + d.changed.size() + d.unchanged == d.new_side.standing.size());
  Require(d.removed.size() + d.changed.size() + d.unchanged == d.old_side.standing.size());
  for (const auto* side : {&d.old_side, &d.new_side}) {
    const std::vector<PackageFile>& files = side == &d.old_side ? a : b;
    for (const auto& [key, f] : side->standing) {
      Require(files[f].state == PackageFile::State::kWhole && zmk::RUIDKey(files[f].ruid) == key);
      for (const PackageFile& other : files) {
        if (other.state == PackageFile::State::kWhole && Same(other.ruid, files[f].ruid)) {
          Require(!zmk::Newer(other, files[f]));
        }
      }
    }
  }
  for (std::size_t k = 0; k < d.changed.size(); ++k) {
    const PackageChange& c = d.changed[k];
    Require(c.fields != 0 && Same(a[c.old_file].ruid, c.ruid) && Same(b[c.new_file].ruid, c.ruid));
    Require(((c.fields & zmk::kDiffVersion) != 0) == (c.move != Move::kSameVersion));
    Require(((c.fields & zmk::kDiffDependsOn) != 0) ==
            (!c.depends_added.empty() || !c.depends_removed.empty()));
    if (k > 0) {
      const PackageChange& p = d.changed[k - 1];
      Require(p.move < c.move || (p.move == c.move && std::make_pair(p.ruid.first, p.ruid.second) <
                                                          std::make_pair(c.ruid.first, c.ruid.second)));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in{data, size};
  const std::size_t old_count = in.Next() % 17;
  const std::vector<PackageFile> a = Delivery(&in, old_count);
  const std::vector<PackageFile> b = Delivery(&in, 16);

  const DeliveryDiff self = zmk::DiffDeliveries(a, a);
  Require(self.Same() && self.unchanged == self.old_side.standing.size());

  const DeliveryDiff ab = zmk::DiffDeliveries(a, b), ba = zmk::DiffDeliveries(b, a);
  CheckOne(a, b, ab);
  CheckOne(b, a, ba);
  Require(Keys(b, ab.added) == Keys(b, ba.removed) && Keys(a, ab.removed) == Keys(a, ba.added));
  Require(ab.unchanged == ba.unchanged && ab.changed.size() == ba.changed.size());
  for (const PackageChange& c : ab.changed) {
    const auto mirror = std::find_if(ba.changed.begin(), ba.changed.end(),
                                     [&](const PackageChange& m) { return Same(m.ruid, c.ruid); });
    Require(mirror != ba.changed.end() && mirror->fields == c.fields &&
            mirror->move == Mirror(c.move) && mirror->old_file == c.new_file &&
            mirror->new_file == c.old_file && SameList(mirror->depends_added, c.depends_removed) &&
            SameList(mirror->depends_removed, c.depends_added));
  }
  return 0;
}
