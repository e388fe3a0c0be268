// A page of one header's values as the viewer shows it: one dimension down
// the rows, one across the columns, every other one fixed to an element or
// summed, with the totals of the shown rows and columns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "harinfo/cellvalues.h"
#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

// What a dimension does in a slice.
inline constexpr int32_t SliceRows = -1;
inline constexpr int32_t SliceCols = -2;
inline constexpr int32_t SliceTotal = 0;  // summed; 1..Size fixes that element

// The largest page: rows times columns.
inline constexpr int64_t MaxSliceCells = 1'000'000;

struct TSliceRequest {
  // One entry per dimension of the header: SliceRows (exactly one when the
  // header has dimensions), SliceCols (at most one), SliceTotal or an element.
  std::vector<int32_t> Roles;
  int64_t RowOffset = 0;
  int64_t RowLimit = 100;
  int64_t ColOffset = 0;
  int64_t ColLimit = 100;
};

struct TSlice {
  int RowDim = -1;  // 0-based dimension down the rows; -1 when none
  int ColDim = -1;
  int64_t RowSize = 1;  // cells along the whole row and column dimensions
  int64_t ColSize = 1;
  int64_t RowOffset = 0;
  int64_t ColOffset = 0;
  int64_t Rows = 0;  // rows and columns on this page
  int64_t Cols = 0;
  bool Summed = false;            // some dimension is totalled
  std::vector<double> Values;     // Rows x Cols, row by row
  std::vector<double> RowTotals;  // over all columns, for the rows shown
  std::vector<double> ColTotals;  // over all rows, for the columns shown
  double Total = 0;               // over every row and column
};

// Checks `req` against `dims` (the header's DimInfos). False with a short
// text of what is wrong.
bool CheckSliceRequest(const std::vector<TDimInfo>& dims, const TSliceRequest& req,
                       std::string& msg);

// Fills `slice` from `values` (loaded for the header of `dims`) for a request
// that CheckSliceRequest accepted. Reads only the cells of the fixed
// elements: each once. False when the values held do not match the
// dimensions.
bool ComputeSlice(const TCellValues& values, const std::vector<TDimInfo>& dims,
                  const TSliceRequest& req, TSlice& slice, std::string& msg);

}  // namespace modrask::harinfo
