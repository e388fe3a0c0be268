// The next or previous differing cell of a header in two files, found as
// the comparison pairs and judges cells: OLD's cells in the file's order
// (first dimension fastest), each against the NEW cell it is matched with.
#pragma once

#include <cstdint>
#include <vector>

#include "harinfo/cellvalues.h"
#include "harinfo/diffoptions.h"
#include "harinfo/hardiff.h"

namespace modrask::harinfo {

struct TDiffCell {
  int64_t Cell = -1;           // OLD's cell (0-based, file order); -1: none
  std::vector<int32_t> At;     // OLD's element of each dimension (0-based)
  std::vector<int32_t> NewAt;  // the NEW cell it is matched with
};

// The first differing cell after `from` (forward) or before it; `from` -1
// starts before the first cell, a.Count() after the last. `match` as
// PairCells gives it, `oldSizes` OLD's dimension sizes.
TDiffCell NextDifference(const TCellValues& a, const TCellValues& b, const TCellMatch& match,
                         const std::vector<int32_t>& oldSizes, const TDiffOptions& o,
                         int64_t from, bool forward);

}  // namespace modrask::harinfo
