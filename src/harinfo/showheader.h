// One header in detail: its descriptor, labels and a preview of its values.
#pragma once

#include <iosfwd>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// How many cells (or strings) the preview shows.
inline constexpr int64_t PreviewCells = 20;

// Prints the header's descriptor (name, stored type and storage, long name,
// dimensions), each dimension's set and elements (a long list wrapped, past
// the first hundred counted), how many cells it holds, how many are not zero
// and not finite, the least, greatest and sum (in double precision) of the
// finite ones, and a preview of PreviewCells cells by their labels: the
// first ones, or the first non-zero ones of an array that holds zeros too.
// With `json`: HeaderJson with the elements, "cells", "nonzero",
// "nonfinite", "min", "max", "sum", "preview_nonzero_only" and "preview"
// ([{"cell": [names], "value"}], or the strings of a character header).
// False with the reader's message when the values cannot be read.
bool PrintHeader(std::ostream& out, THeaderRec* head, bool json, std::string& msg);

}  // namespace modrask::harinfo
