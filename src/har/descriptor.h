// The descriptor record that follows every header name record: a record
// buffer with a 76-byte structure (type 2, storage 4, long name 70) and
// NInts 4-byte integers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "modrask/records/lheyfile.h"

namespace modrask {

inline constexpr int32_t DescStrucSiz = 76;
using TDescInts = std::array<int32_t, 9>;  // Ints[1..8]; [0] unused

// nInts := 8 for "RL"/"RE" (FULL or SPSE), 3 for "1C"/"2I"/"2R" (FULL).
// Failures: "Unrecognized Data Type " t, "Unrecognized Storage Method: " s,
// with " [GetIntsExpected]".
bool GetIntsExpected(std::string_view dataType, std::string_view storage, int32_t& nInts,
                     std::string& msg);

// Reads one descriptor record; failures carry " [GetDesc]".
bool GetDesc(TRecFile& f, std::string& dataType, std::string& storage, std::string& longName,
             TDescInts& ints, TFileFlavour flavour, std::string& msg);

// Writes one descriptor record with ints[1..nInts]; failures carry " [WriteDesc]".
bool WriteDesc(TRecFile& f, std::string_view dataType, std::string_view storage,
               std::string_view longName, const TDescInts& ints, int32_t nInts, TFileFlavour flavour,
               std::string& msg);

}  // namespace modrask
