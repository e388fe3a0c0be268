// Reading the values of real headers: FULL chunks, SPSE entries and "2R"
// matrices, into the header's HeadMat.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"
#include "modrask/har/realdecode.h"

namespace modrask {

// The FULL, SPSE and 2R readers decode non-finite values as
// f.Reading.KeepNonFinite says (the mark, or the stored bits); checked
// values (TValueReading Check) are judged alike either way.
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
