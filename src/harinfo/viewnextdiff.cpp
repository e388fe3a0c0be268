#include "harinfo/viewnextdiff.h"

#include <algorithm>
#include <cstring>

namespace modrask::harinfo {

namespace {

// Cells looked at per step of the search: a run of equal bits is skipped
// whole, whatever the tolerance.
constexpr int64_t Run = 4096;

// The NEW cell matched with OLD's cell p; -1 for an element only in OLD.
int64_t Matched(const TCellMatch& match, const std::vector<int32_t>& sizes, int64_t p) {
  if (match.Maps.empty()) return p;
  int64_t q = 0;
  int64_t stride = 1;
  for (size_t k = 0; k < match.Maps.size(); ++k) {
    const int64_t slot = p % sizes[k];
    p /= sizes[k];
    const int32_t to = static_cast<size_t>(slot) < match.Maps[k].size() ? match.Maps[k][slot] : -1;
    if (to < 0) return -1;
    q += to * stride;
    stride *= match.NewSizes[k];
  }
  return q;
}

std::vector<int32_t> Coordinates(int64_t p, const std::vector<int32_t>& sizes) {
  std::vector<int32_t> at;
  for (const int32_t n : sizes) {
    at.push_back(static_cast<int32_t>(n > 0 ? p % n : 0));
    if (n > 0) p /= n;
  }
  return at;
}

bool Differs(const TCellValues& a, const TCellValues& b, const TCellMatch& match,
             const std::vector<int32_t>& sizes, const TDiffOptions& o, int64_t p) {
  const int64_t q = Matched(match, sizes, p);
  return q >= 0 && q < b.Count() && CellsDiffer(a, p, b, q, o);
}

// Whether cells [lo, hi) hold the same bits in both files, cell p against p.
bool SameRun(const TCellValues& a, const TCellValues& b, int64_t lo, int64_t hi) {
  return a.Reals() != nullptr && b.Reals() != nullptr &&
         std::memcmp(a.Reals() + lo, b.Reals() + lo, static_cast<size_t>(hi - lo) * sizeof(float)) == 0;
}

}  // namespace

TDiffCell NextDifference(const TCellValues& a, const TCellValues& b, const TCellMatch& match,
                         const std::vector<int32_t>& oldSizes, const TDiffOptions& o,
                         int64_t from, bool forward) {
  TDiffCell found;
  const int64_t n = match.Maps.empty() ? std::min(a.Count(), b.Count()) : a.Count();
  const bool runs = match.Maps.empty();
  if (forward) {
    for (int64_t lo = std::max<int64_t>(from + 1, 0); lo < n && found.Cell < 0;) {
      const int64_t hi = std::min(n, lo + Run);
      if (!runs || !SameRun(a, b, lo, hi)) {
        for (int64_t p = lo; p < hi; ++p) {
          if (Differs(a, b, match, oldSizes, o, p)) {
            found.Cell = p;
            break;
          }
        }
      }
      lo = hi;
    }
  } else {
    for (int64_t hi = std::min(from, n); hi > 0 && found.Cell < 0;) {
      const int64_t lo = std::max<int64_t>(0, hi - Run);
      if (!runs || !SameRun(a, b, lo, hi)) {
        for (int64_t p = hi - 1; p >= lo; --p) {
          if (Differs(a, b, match, oldSizes, o, p)) {
            found.Cell = p;
            break;
          }
        }
      }
      hi = lo;
    }
  }
  if (found.Cell < 0) return found;
  found.At = Coordinates(found.Cell, oldSizes);
  found.NewAt = match.Maps.empty() ? found.At
                                   : Coordinates(Matched(match, oldSizes, found.Cell), match.NewSizes);
  return found;
}

}  // namespace modrask::harinfo
