// Reading the values of real headers: FULL chunks, SPSE entries and "2R"
// matrices, into the header's HeadMat.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// The mark that replaces every non-finite value read.
inline constexpr float NonFiniteMark = 424242.0f;

// Replaces an infinity or not-a-number by NonFiniteMark; true when it did.
bool FixNonFinite(float& v);

// Reading setting: false (initially) replaces every non-finite value that
// the readers decode (FULL, SPSE, 2R) by NonFiniteMark; true keeps the
// stored bits, for callers that show what a file holds. Checked values
// (TValueReading Check) are judged as before.
extern bool KeepNonFinite;

// Sets KeepNonFinite to `keep` for its lifetime and restores it after.
class TNonFiniteReading {
 public:
  explicit TNonFiniteReading(bool keep) : old_(KeepNonFinite) { KeepNonFinite = keep; }
  ~TNonFiniteReading() { KeepNonFinite = old_; }
  TNonFiniteReading(const TNonFiniteReading&) = delete;
  TNonFiniteReading& operator=(const TNonFiniteReading&) = delete;

 private:
  const bool old_;
};

// Adds to nnz the values among the n read from a file (4 bytes each) that
// are not zero, as CountNonZeros counts them; false when one is not finite.
bool CountFiniteNonZeros(const uint8_t* src, int64_t n, int64_t& nnz);

// The FULL and SPSE readers; the forms without `how` decode. With Check or
// Skip (valueplace.h) HeadMat stays empty and head->Values gets Begin, End,
// Sparse, Canonical and NNZ (its File is the caller's to set). Check reads
// the values of SPSE records (their positions are checked) but only the
// structure of FULL records: their values are counted by the writer that
// copies them, and NNZ is then -1.
bool GetRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool GetRLValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
               std::string& msg);
bool GetRLSparseData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool GetRLSparseValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
                     std::string& msg);
bool Get2RData(TRecFile& f, THeaderRec* head, TMat2& m, TFileFlavour flavour, std::string& msg);
bool Turn2RtoRL(THeaderRec* head, TMat2& m, std::string& msg);

}  // namespace modrask
