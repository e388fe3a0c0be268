// Integer matrices ("2I"): records of a 28-byte structure (KREC, NRows,
// NCols, lo1, hi1, lo2, hi2) and the block's values, rows fastest.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// Reads the matrix records of a 2I header whose descriptor has been read
// (NRows, NCols set, IntData nil) into a zero-filled IntData owned by the
// header, until a record with KREC 1. Records may hold blocks of any shape
// inside the matrix. False, with IntData nil and " [Get2IData]" appended, on
// a negative size, a block outside the matrix, "2I record wrong length",
// allocation or record faults.
bool Get2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
// With Check or Skip (valueplace.h): the same refusals, IntData stays nil,
// and head->Values gets Begin, End and (Check) Canonical.
bool Get2IValues(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
               std::string& msg);

// Writes the name record, the descriptor (2, NRows, NCols) and the matrix in
// records of whole columns, at most 7,000 values each (a longer column makes
// a record of its own); a column longer than one record can carry is split
// into row blocks. An empty matrix gives one record without values. False
// with " [Write2IData]" appended; the file then holds what was written.
bool Write2IData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
