// Copying a run of whole records from a file being read to a file being
// written: byte for byte when both use one framing, otherwise each record's
// data under the markers of the output's framing.
#pragma once

#include <cstdint>
#include <string>

#include "records/lheyfile.h"

namespace modrask {

// Appends to `dst` (written in `dstFlavour`) the records of `src` (read in
// `srcFlavour`) that lie from byte `begin` up to byte `end`, which must be
// record boundaries of records the caller has already read and checked.
// The position of `src` is left anywhere. Failures, with " [CopyRecords]":
// "cannot write to disk (probably no space)"; "Input file changed while it
// was copied: " and its name, when the records are no longer what they were.
bool CopyRecords(TRecFile& dst, TFileFlavour dstFlavour, TRecFile& src, TFileFlavour srcFlavour,
                 int64_t begin, int64_t end, std::string& msg);

}  // namespace modrask
