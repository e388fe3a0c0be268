// Integer matrices ("2I"): records of a 28-byte structure (KREC, NRows,
// NCols, lo1, hi1, lo2, hi2) and the block's values, rows fastest.
#pragma once

#include <string>

#include "har/harmodel.h"

namespace modrask {

bool Get2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool Write2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
