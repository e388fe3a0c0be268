// One header in detail: its descriptor, labels and a preview of its values.
#pragma once

#include <iosfwd>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// How many cells (or strings) the preview shows.
inline constexpr int64_t PreviewCells = 20;

// Prints the header's descriptor (name, stored type and storage, long name,
// dimensions), each dimension's set and elements, how many cells it holds
// and how many are not zero with their least, greatest and sum, and the
// first PreviewCells cells by their labels. With `json`: HeaderJson with the
// elements, "cells", "nonzero", "min", "max", "sum" and "preview" ([{"cell":
// [names], "value"}], or the strings of a character header). False with the
// reader's message when the values cannot be read.
bool PrintHeader(std::ostream& out, THeaderRec* head, bool json, std::string& msg);

}  // namespace modrask::harinfo
