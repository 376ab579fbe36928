// The delivery check's graph worked out slowly and obviously right, to hold
// what CheckDelivery finds against: reachability between packages by
// Floyd–Warshall, then the order, the cycles and the problems it implies.
#ifndef ZMK_FUZZ_GRAPH_REFERENCE_H_
#define ZMK_FUZZ_GRAPH_REFERENCE_H_

#include <cstddef>
#include <vector>

#include "tools/zmkinfo/check.h"

namespace zmk::fuzz {

// The reference's rows are bit sets of this many packages.
constexpr std::size_t kMaxPackages = 32;

// Aborts unless `result` is what CheckDelivery must find for `files` (at most
// kMaxPackages); valid_date[i] tells whether files[i]'s date is one the
// module can show (years 1 to 65535).
void RequireReferenceResult(const std::vector<PackageFile>& files,
                            const std::vector<bool>& valid_date, const CheckResult& result);

}  // namespace zmk::fuzz

#endif  // ZMK_FUZZ_GRAPH_REFERENCE_H_
