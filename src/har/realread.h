// Reading the values of real headers: FULL chunks, SPSE entries and "2R"
// matrices, into the header's HeadMat.
#pragma once

#include <string>

#include "har/harmodel.h"

namespace modrask {

// The mark that replaces every non-finite value read.
inline constexpr float NonFiniteMark = 424242.0f;

// Replaces an infinity or not-a-number by NonFiniteMark; true when it did.
bool FixNonFinite(float& v);

// The FULL and SPSE readers; the forms without `how` decode. With Check or
// Skip (valueplace.h) HeadMat stays empty and head->Values gets Begin, End,
// Canonical and NNZ (its File is the caller's to set).
bool GetRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool GetRLValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
               std::string& msg);
bool GetRLSparseData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool GetRLSparseValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
                     std::string& msg);
bool Get2RData(TRecFile& f, THeaderRec* head, TMat2& m, TFileFlavour flavour, std::string& msg);
bool Turn2RtoRL(THeaderRec* head, TMat2& m, std::string& msg);

}  // namespace modrask
