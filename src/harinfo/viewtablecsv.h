// "CSV of the table": the whole two-dimensional slice the viewer shows, as
// a spreadsheet reads it: the row elements down the first column, the
// column elements across the first row, every value at full precision.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harinfo/dimlabels.h"
#include "harinfo/viewslice.h"

namespace modrask::harinfo {

// Writes `slice` (computed over the whole of its rows and columns). The
// corner names the row dimension by `titles` (ColumnTitles, so REG and
// REG_3 stay apart), the columns are the column dimension's elements, or
// "Value" without one. Values that no dimension summed are the stored
// floats (`floats`) in their shortest text, sums the shortest text of the
// double; NaN, Inf, -Inf as harinfo csv writes them. With `totals`, a
// "Total" column (when there are columns) and a "Total" row. Text fields
// are defused against spreadsheet formulas.
void WriteTableCsv(std::ostream& out, const TSlice& slice, const std::vector<TDimInfo>& dims,
                   const std::vector<std::string>& titles, bool floats, bool totals);

// The name offered for saving: the header, then each fixed element
// (BIG_IND-IND003.csv); characters other than letters, digits, "_", "-"
// and "." become "_".
std::string TableCsvName(const std::string& header, const std::vector<TDimInfo>& dims,
                         const std::vector<int32_t>& roles);

}  // namespace modrask::harinfo
