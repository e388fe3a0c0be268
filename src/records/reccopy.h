// Copying a run of whole records from a file being read to a file being
// written: byte for byte when both use one framing, otherwise each record's
// data under the markers of the output's framing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "modrask/records/lheyfile.h"

namespace modrask {

// Appends to `dst` (written in `dstFlavour`) the records of `src` (read in
// `srcFlavour`) that lie from byte `begin` up to byte `end`, which must be
// record boundaries of records the caller has already read and checked.
// The position of `src` is left anywhere. Failures, with " [CopyRecords]":
// "cannot write to disk (probably no space)"; "Input file changed while it
// was copied: " and its name, when the records are no longer what they were.
bool CopyRecords(TRecFile& dst, TFileFlavour dstFlavour, TRecFile& src, TFileFlavour srcFlavour,
                 int64_t begin, int64_t end, std::string& msg);

// The records of `src` (in `flavour`) from byte `begin` up to byte `end`,
// read whole into memory, valid until the next run of src is read or src is
// next read. Each record's data goes to `visit` as soon as it has arrived,
// while it is still in the processor's cache. Null when the file ends first, a record is not
// whole, or `visit` returns false.
const uint8_t* ReadRecordRun(TRecFile& src, int64_t begin, int64_t end, TFileFlavour flavour,
                             const std::function<bool(const uint8_t* data, int32_t len)>& visit);

// Takes the record that starts at `pos` of a run of `size` bytes in memory:
// its data and length, and pos moved past it. False when what lies there is
// not one whole record whose markers agree.
bool NextRecordIn(const uint8_t* run, int64_t size, int64_t& pos, TFileFlavour flavour,
                  const uint8_t*& data, int32_t& len);

// Appends to `dst` (written in `dstFlavour`) a run of whole records held in
// memory in `srcFlavour`: as it lies when the framings agree, else record by
// record under new markers. Failures, with " [CopyRecords]": those of
// CopyRecords.
bool WriteRecordRun(TRecFile& dst, TFileFlavour dstFlavour, const uint8_t* run, int64_t size,
                    TFileFlavour srcFlavour, const std::string& srcName, std::string& msg);

}  // namespace modrask
