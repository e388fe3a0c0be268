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

bool GetRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool GetRLSparseData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool Get2RData(TRecFile& f, THeaderRec* head, TMat2& m, TFileFlavour flavour, std::string& msg);
bool Turn2RtoRL(THeaderRec* head, TMat2& m, std::string& msg);

}  // namespace modrask
