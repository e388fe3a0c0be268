// How harinfo names the dimensions of a header and the cells along them:
// set names with sizes, single elements, unlabelled sizes, and the type and
// storage the file stores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// One dimension of a header, dimension 1 first.
struct TDimInfo {
  std::string Set;      // set name; empty for an unlabelled dimension
  std::string Element;  // the one element of a single-element dimension
  int32_t Size = 0;
  // The element names (slots 1..Size) when the file gives them, else nil.
  // Points into the header, valid while it lives.
  const std::vector<std::string>* Elements = nullptr;

  bool Labelled() const { return !Set.empty(); }
  bool Single() const { return !Element.empty(); }
};

// The dimensions of a real array (descriptor order), of an integer matrix
// (rows, columns) and of a character header (its strings).
std::vector<TDimInfo> DimInfos(const THeaderRec& head);

// True for the real array types ("RE" in memory, whatever the file stored).
bool IsRealArray(const THeaderRec& head);

// The type as the file stores it ("RL" stays "RL").
std::string StoredType(const THeaderRec& head);

// "FULL" or "SPSE" for a real array as the file stores it; empty otherwise.
std::string StoredStorage(const THeaderRec& head);

// "REG*COM 5x3", "REG(NORTH)*COM 1x3", "5x3" for an unlabelled array, an
// unlabelled dimension among labelled ones by its size ("REG*3 5x3"), "1"
// without dimensions; "2x3" for a matrix; "5 strings of 12" for 1C.
std::string DimsText(const THeaderRec& head);

// The name of cell `index` (1-based) along `dim`: its element name, else its
// index in decimal.
std::string CellName(const TDimInfo& dim, int32_t index);

// The column title of dimension k (1-based) in CSV and previews: its set
// name, else "dim" + k.
std::string DimTitle(const TDimInfo& dim, int k);

// The column titles of a header's dimensions in CSV, previews and JSON, all
// different: "row", "col" for an integer matrix; else DimTitle, where a title
// already taken gets "_" + the dimension's position (REG, REG_3).
std::vector<std::string> ColumnTitles(const THeaderRec& head);

// The names along `dims` (CellName) of the cell at position p (0-based,
// Fortran order: first dimension fastest).
std::vector<std::string> CellNames(const std::vector<TDimInfo>& dims, int64_t p);

// Number of cells: the product of the sizes (1 without dimensions).
int64_t CellCount(const std::vector<TDimInfo>& dims);

// A string of a character header with its trailing blanks dropped.
std::string TrimmedString(const std::string& s);

}  // namespace modrask::harinfo
