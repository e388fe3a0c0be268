// The records our writer makes of a real array's values: the chunks of FULL
// storage and the blocks of SPSE storage. Shared by the writer and by the
// reader that checks whether a file holds exactly those records.
//
// FULL:  dimension (KREC, 7, D1..D7), then per chunk
//        limits (KREC, lo1, hi1, ..., lo7, hi7) and values (KREC; the values)
// SPSE:  count (NNZ, 4, 4; 80 blanks), then per block
//        entries (KREC, NNZ, Nhere; Nhere positions, Nhere values)
// KREC counts the records left, the record itself included, down to 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "modrask/support/newdim.h"

namespace modrask {

inline constexpr int32_t MaxFullValues = 7000;   // values per FULL values record
inline constexpr int32_t SparseBlock = 2333;     // entries per SPSE entry record
inline constexpr int32_t SparseBlankCount = 80;  // blanks after the SPSE count record

// One FULL chunk: dimension k of the plan runs lo..hi, the dimensions below
// it run whole, those above stand at sub[j].
struct TFullChunk {
  int32_t lo = 1;
  int32_t hi = 1;
  TDims7 sub{};
};

// The chunks of FULL storage for the sizes d[1..7] (descriptor order): the
// split dimension k is the last whose lower dimensions hold at most 7,000
// values together; each chunk takes as many of its indices as fit, so its
// values are one contiguous run of the array in file order. An array with a
// size of 0 has one chunk of whole ranges and no values.
class TFullPlan {
 public:
  // False with "Too many records: KREC=" n when the records cannot be
  // counted in 32 bits.
  bool Make(const TDims7& d, std::string& msg);

  // The KREC of the dimension record: every record of the data.
  int32_t DimensionKrec() const { return static_cast<int32_t>(2 * nChunks_ + 1); }
  const TDims7& Sizes() const { return d_; }

  void Start(TFullChunk& c) const;
  // Moves to the next chunk in file order; false after the last.
  bool Advance(TFullChunk& c) const;
  // The values the chunk holds.
  int64_t Count(const TFullChunk& c) const;
  // The limits record's structure after KREC: lo1, hi1, ..., lo7, hi7.
  std::array<int32_t, 14> Limits(const TFullChunk& c) const;

 private:
  TDims7 d_{};
  bool empty_ = false;
  int k_ = 1;
  int64_t p_ = 1;  // D1 x ... x D(k-1)
  int32_t m_ = 1;  // indices of dimension k per chunk
  int64_t nChunks_ = 1;
};

// Entry records of an SPSE array with nnz entries: one record (1, 0, 0)
// without entries when nnz is 0.
inline int32_t SparseBlockCount(int32_t nnz) {
  return nnz == 0 ? 1 : nnz / SparseBlock + (nnz % SparseBlock != 0 ? 1 : 0);
}

// Entries in block b (from 0) of an SPSE array with nnz entries.
inline int32_t SparseEntriesIn(int32_t b, int32_t nnz) {
  const int64_t left = int64_t{nnz} - int64_t{b} * SparseBlock;
  return static_cast<int32_t>(left < SparseBlock ? left : SparseBlock);
}

}  // namespace modrask
