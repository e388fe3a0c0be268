// How a reader treats the values of real and integer headers, and where
// those values lie in their file when the reading left them there.
#pragma once

#include <cstdint>
#include <memory>

#include "modrask/records/lheyfile.h"

namespace modrask {

// What reading does with the value records of "RE", "RL" and "2I" headers
// ("1C" and "2R" headers are always read into memory).
enum class TValueReading {
  // Into HeadMat or IntData: the whole file in memory.
  Decode,
  // Every record read and checked as Decode does it, with the same
  // refusals (the memory estimate's included), but the values are not kept:
  // the header keeps their place in the file and what the check learned.
  Check,
  // Only the shape of the value records (markers, structures, lengths,
  // limits) is read and checked; the values are passed over unread, so
  // refusals that depend on them (SPSE positions) are not made. For
  // listings.
  Skip,
};

// The place of a header's value records in the open file it was read from.
struct TValuePlace {
  // The file, shared by the headers read from it; nil when the values are
  // in memory (or the header has none).
  std::shared_ptr<TRecFile> File;
  TFileFlavour Flavour = TFileFlavour::NewFujitsu;
  int64_t Begin = 0;  // the leading marker of the first data record
  int64_t End = 0;    // just past the last data record
  bool Sparse = false;  // real values stored "SPSE" in the file
  // Found by Check: the records are exactly those our writer makes of the
  // values they decode to. For SPSE records that includes the values (none
  // is zero or needs the non-finite mark) and NNZ counts them; FULL values
  // are not read by the check (NNZ -1), so their count and worth are left
  // to whoever copies them.
  bool Canonical = false;
  int64_t NNZ = 0;
  // The values were decoded into memory by ReadHeaderValues.
  bool Loaded = false;

  bool InFile() const { return File != nullptr; }
};

}  // namespace modrask
