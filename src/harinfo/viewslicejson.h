// A slice as the page gets it: JSON with the names along the rows and
// columns, the values and totals as stored (NaN, Inf, -Inf as strings), and
// the other file's values when a comparison has them.
#pragma once

#include <string>
#include <vector>

#include "harinfo/dimlabels.h"
#include "harinfo/viewslice.h"
#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// The JSON text of `slice` of `head` (whose DimInfos are `dims`): header,
// type, rows and cols (dimension, title as ColumnTitles gives it, size,
// offset, names of the page), summed, values, row_totals, col_totals,
// total; with `other`, its values as "other"; else a non-empty `otherNote`
// as "other_note".
std::string SliceJson(const THeaderRec& head, const std::vector<TDimInfo>& dims,
                      const TSlice& slice, const TSlice* other, const std::string& otherNote);

}  // namespace modrask::harinfo
