// Writing real headers: the storage choice, FULL chunks and SPSE blocks.
#pragma once

#include <cstdint>
#include <string>

#include "har/harmodel.h"

namespace modrask {

// Percent of zero values above which an array is written "SPSE": 100 (never)
// initially, 60 once InitSparseThreshold has read "UseSparse" as true.
extern int32_t SparseThreshold;
void InitSparseThreshold();

bool WriteRLData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool WriteRealStart(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool WriteRealFull(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool WriteRealSparse(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
