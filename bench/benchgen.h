// Header Array data for the benchmark and the tests, made in memory with
// the project's own model; the same data on every run.
#pragma once

#include <cstdint>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::bench {

struct TBenchTotals {
  int64_t Cells = 0;      // cells of the real arrays
  int64_t LargestCells = 0;  // cells of the largest real array
  int64_t FileBytes = 0;  // an estimate of the file's size
  int32_t Dense = 0;
  int32_t Sparse = 0;
};

// Fills `h` (empty) with the data of a file of about targetBytes: 300 sets
// defined by character headers (10 to 5,000 elements), labelled real arrays
// of 2 to 5 dimensions over them until the size is reached (two thirds
// dense, one third sparse at 1 % to 35 %), three integer matrices. With
// `many`: 50 small sets and 10,000 small arrays, 10,050 headers, whatever
// the size. False with the library's message when memory runs out.
bool MakeBenchData(THarData& h, double targetBytes, bool many, TBenchTotals& totals,
                   std::string& msg);

}  // namespace modrask::bench
