#include "harinfo/viewslice.h"

#include <algorithm>

namespace modrask::harinfo {

namespace {

int FindRole(const std::vector<int32_t>& roles, int32_t role) {
  const auto at = std::find(roles.begin(), roles.end(), role);
  return at == roles.end() ? -1 : static_cast<int>(at - roles.begin());
}

bool CheckRange(int64_t offset, int64_t limit, int64_t size, const char* what, std::string& msg) {
  if (offset < 0 || (size > 0 && offset >= size) || (size == 0 && offset > 0)) {
    msg = std::string(what) + " offset out of range";
    return false;
  }
  if (limit < 0 || limit > MaxSliceCells) {
    msg = std::string(what) + " limit out of range";
    return false;
  }
  return true;
}

int64_t Size(const std::vector<TDimInfo>& dims, int dim) {
  return dim < 0 ? 1 : dims[static_cast<size_t>(dim)].Size;
}

}  // namespace

bool CheckSliceRequest(const std::vector<TDimInfo>& dims, const TSliceRequest& req,
                       std::string& msg) {
  if (req.Roles.size() != dims.size()) {
    msg = "the header has " + std::to_string(dims.size()) + " dimensions";
    return false;
  }
  for (size_t k = 0; k < dims.size(); ++k) {
    const int32_t role = req.Roles[k];
    if (role < SliceCols || role > dims[k].Size) {
      msg = "no element " + std::to_string(role) + " in dimension " + std::to_string(k + 1);
      return false;
    }
  }
  const auto count = [&](int32_t role) {
    return std::count(req.Roles.begin(), req.Roles.end(), role);
  };
  if ((!dims.empty() && count(SliceRows) != 1) || count(SliceCols) > 1) {
    msg = "one dimension down the rows and at most one across the columns";
    return false;
  }
  const int rowDim = FindRole(req.Roles, SliceRows);
  const int colDim = FindRole(req.Roles, SliceCols);
  if (!CheckRange(req.RowOffset, req.RowLimit, Size(dims, rowDim), "row", msg)) return false;
  if (!CheckRange(req.ColOffset, req.ColLimit, Size(dims, colDim), "column", msg)) return false;
  if (req.RowLimit * req.ColLimit > MaxSliceCells) {
    msg = "a page holds at most " + std::to_string(MaxSliceCells) + " cells";
    return false;
  }
  return true;
}

bool ComputeSlice(const TCellValues& values, const std::vector<TDimInfo>& dims,
                  const TSliceRequest& req, TSlice& slice, std::string& msg) {
  slice = TSlice{};
  slice.RowDim = FindRole(req.Roles, SliceRows);
  slice.ColDim = FindRole(req.Roles, SliceCols);
  slice.RowSize = Size(dims, slice.RowDim);
  slice.ColSize = Size(dims, slice.ColDim);
  slice.RowOffset = req.RowOffset;
  slice.ColOffset = req.ColOffset;
  slice.Rows = std::clamp<int64_t>(slice.RowSize - req.RowOffset, 0, req.RowLimit);
  slice.Cols = std::clamp<int64_t>(slice.ColSize - req.ColOffset, 0, req.ColLimit);
  const int64_t cells = CellCount(dims);
  if (values.Count() != cells) {
    msg = "the values held do not match the dimensions";
    return false;
  }
  slice.Values.assign(static_cast<size_t>(slice.Rows * slice.Cols), 0.0);
  slice.RowTotals.assign(static_cast<size_t>(slice.Rows), 0.0);
  slice.ColTotals.assign(static_cast<size_t>(slice.Cols), 0.0);
  if (cells == 0) return true;

  // Strides in Fortran order; the fixed elements give the first cell, the
  // row, column and totalled dimensions are walked, the first fastest.
  const size_t n = dims.size();
  std::vector<int64_t> stride(n);
  std::vector<size_t> walked;
  int64_t p = 0;
  int64_t s = 1;
  for (size_t k = 0; k < n; ++k) {
    stride[k] = s;
    s *= dims[k].Size;
    if (req.Roles[k] > 0) {
      p += (req.Roles[k] - 1) * stride[k];
    } else {
      walked.push_back(k);
      if (req.Roles[k] == SliceTotal) slice.Summed = true;
    }
  }
  std::vector<int32_t> at(n, 0);
  const size_t rowDim = slice.RowDim < 0 ? n : static_cast<size_t>(slice.RowDim);
  const size_t colDim = slice.ColDim < 0 ? n : static_cast<size_t>(slice.ColDim);
  for (;;) {
    const double v = values.At(p);
    const int64_t r = (rowDim < n ? at[rowDim] : 0) - slice.RowOffset;
    const int64_t c = (colDim < n ? at[colDim] : 0) - slice.ColOffset;
    const bool rowShown = r >= 0 && r < slice.Rows;
    const bool colShown = c >= 0 && c < slice.Cols;
    if (rowShown) slice.RowTotals[static_cast<size_t>(r)] += v;
    if (colShown) slice.ColTotals[static_cast<size_t>(c)] += v;
    if (rowShown && colShown) slice.Values[static_cast<size_t>(r * slice.Cols + c)] += v;
    slice.Total += v;
    size_t j = 0;
    for (; j < walked.size(); ++j) {
      const size_t k = walked[j];
      if (++at[k] < dims[k].Size) {
        p += stride[k];
        break;
      }
      p -= stride[k] * (dims[k].Size - 1);
      at[k] = 0;
    }
    if (j == walked.size()) break;
  }
  return true;
}

}  // namespace modrask::harinfo
