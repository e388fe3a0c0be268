#include "harinfo/viewslicejson.h"

#include <charconv>
#include <cmath>

#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

namespace {

// The stored value itself (a float widened to double, or a sum in double),
// so that the page rounds a cell and its total from the same number; NaN,
// Inf and -Inf as strings, which JSON has no numbers for.
void AppendNumber(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += std::isnan(v) ? "\"NaN\"" : v > 0 ? "\"Inf\"" : "\"-Inf\"";
    return;
  }
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void AppendNumbers(std::string& out, const double* v, int64_t n) {
  out += '[';
  for (int64_t i = 0; i < n; ++i) {
    if (i > 0) out += ',';
    AppendNumber(out, v[i]);
  }
  out += ']';
}

void AppendRows(std::string& out, const TSlice& s) {
  out += '[';
  for (int64_t r = 0; r < s.Rows; ++r) {
    if (r > 0) out += ',';
    AppendNumbers(out, s.Values.data() + r * s.Cols, s.Cols);
  }
  out += ']';
}

// `head` from `j`'s text with more members appended.
std::string Extended(const TJson& j, const std::string& more) {
  std::string text = j.dump(-1, ' ', false, TJson::error_handler_t::replace);
  text.pop_back();
  return text + more + "}";
}

TJson AxisJson(const std::vector<TDimInfo>& dims, const std::vector<std::string>& titles, int dim,
               int64_t size, int64_t offset, int64_t count) {
  if (dim < 0) return nullptr;
  const TDimInfo& d = dims[static_cast<size_t>(dim)];
  TJson j;
  j["dim"] = dim + 1;
  j["title"] = titles[static_cast<size_t>(dim)];
  j["size"] = size;
  j["offset"] = offset;
  TJson names = TJson::array();
  for (int64_t i = 0; i < count; ++i) {
    names.push_back(CellName(d, static_cast<int32_t>(offset + i + 1)));
  }
  j["names"] = std::move(names);
  return j;
}

}  // namespace

std::string SliceJson(const THeaderRec& head, const std::vector<TDimInfo>& dims,
                      const TSlice& slice, const TSlice* other, const std::string& otherNote) {
  const std::vector<std::string> titles = ColumnTitles(head);
  TJson j;
  j["header"] = ShownName(head);
  j["type"] = StoredType(head);
  j["rows"] = AxisJson(dims, titles, slice.RowDim, slice.RowSize, slice.RowOffset, slice.Rows);
  j["cols"] = AxisJson(dims, titles, slice.ColDim, slice.ColSize, slice.ColOffset, slice.Cols);
  j["summed"] = slice.Summed;
  std::string more = ",\"values\":";
  AppendRows(more, slice);
  more += ",\"row_totals\":";
  AppendNumbers(more, slice.RowTotals.data(), slice.Rows);
  more += ",\"col_totals\":";
  AppendNumbers(more, slice.ColTotals.data(), slice.Cols);
  more += ",\"total\":";
  AppendNumber(more, slice.Total);
  if (other != nullptr) {
    more += ",\"other\":";
    AppendRows(more, *other);
  } else if (!otherNote.empty()) {
    TJson n = otherNote;
    more += ",\"other_note\":" + n.dump();
  }
  return Extended(j, more);
}

}  // namespace modrask::harinfo
