// Character headers ("1C"): NStrings strings of LenString characters, in data
// records of a 12-byte structure (RecsLeft, NTot, NHere) and the strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "modrask/har/harmodel.h"

namespace modrask {

// Reads n strings of l characters from one or more 1C data records into
// v[1..n] (v must be nil; slot 0 stays empty), trailing blanks removed,
// strings kept whole. n x l above MaxHarBuf, a negative n or l, records that
// disagree with n ("Unexpected number of strings in record", "1C record
// wrong length", "Too many strings in 1C record", "Too few strings in 1C
// record") and record faults fail with " [GetHarStrings]" and leave v nil.
bool GetHarStrings(TRecFile& f, PStrVec& v, int32_t n, int32_t l, TFileFlavour flavour,
                   std::string& msg);

// Reads the data of a 1C header whose descriptor has been read.
bool Get1CData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Writes a 1C header: name record, descriptor and data records (one record
// when the strings fit in MaxHarBuf, else as many as needed, RecsLeft counting
// down to 1). Each string is cut or blank-padded to LenString. Failures carry
// " [Write1CData]" ("Not a String Header", "LenString<=0", a LenString too
// long for any record, write faults).
bool Write1CData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Builds a new 1C header from v (n strings of length l) in `slot`, releasing
// what the slot held. v passes to the header (nil afterwards) on success.
bool Create1C(PHeaderRec& slot, std::string_view name, std::string_view longName, PStrVec& v,
              int32_t n, int32_t l, std::string& msg);

}  // namespace modrask
