#include "harinfo/viewtablecsv.h"

#include <cctype>
#include <ostream>

#include "harinfo/csvout.h"

namespace modrask::harinfo {

void WriteTableCsv(std::ostream& out, const TSlice& slice, const std::vector<TDimInfo>& dims,
                   const std::vector<std::string>& titles, bool floats, bool totals) {
  TCsvWriter csv(out, true);
  const auto dim = [&dims](int k) -> const TDimInfo& { return dims[static_cast<size_t>(k)]; };
  csv.Field(slice.RowDim < 0 ? "" : titles[static_cast<size_t>(slice.RowDim)]);
  if (slice.ColDim < 0) {
    csv.Field("Value");
  } else {
    for (int64_t c = 0; c < slice.Cols; ++c) {
      csv.Field(CellName(dim(slice.ColDim), static_cast<int32_t>(slice.ColOffset + c + 1)));
    }
  }
  const bool totalColumn = totals && slice.ColDim >= 0;
  if (totalColumn) csv.Field("Total");
  csv.EndRow();
  const auto value = [&](double v) {
    if (floats) {
      csv.FloatField(static_cast<float>(v));
    } else {
      csv.DoubleField(v);
    }
  };
  for (int64_t r = 0; r < slice.Rows; ++r) {
    csv.Field(slice.RowDim < 0
                  ? ""
                  : CellName(dim(slice.RowDim), static_cast<int32_t>(slice.RowOffset + r + 1)));
    for (int64_t c = 0; c < slice.Cols; ++c) {
      value(slice.Values[static_cast<size_t>(r * slice.Cols + c)]);
    }
    if (totalColumn) csv.DoubleField(slice.RowTotals[static_cast<size_t>(r)]);
    csv.EndRow();
  }
  if (!totals) return;
  csv.Field("Total");
  for (const double v : slice.ColTotals) csv.DoubleField(v);
  if (totalColumn) csv.DoubleField(slice.Total);
  csv.EndRow();
}

std::string TableCsvName(const std::string& header, const std::vector<TDimInfo>& dims,
                         const std::vector<int32_t>& roles) {
  std::string name = header;
  for (size_t k = 0; k < dims.size() && k < roles.size(); ++k) {
    if (roles[k] > 0) name += "-" + CellName(dims[k], roles[k]);
  }
  for (char& c : name) {
    const bool kept = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
    if (!kept) c = '_';
  }
  return name + ".csv";
}

}  // namespace modrask::harinfo
