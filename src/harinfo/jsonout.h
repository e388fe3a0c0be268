// JSON output of harinfo: one ordered object per command, printed on one
// line, and the pieces that several commands share.
#pragma once

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// Keys keep the order they were added in.
using TJson = nlohmann::ordered_json;

// Prints `j` on one line and a line end. Bytes that are not UTF-8 (text
// from a damaged file) are replaced by U+FFFD rather than refused.
void PrintJson(std::ostream& out, const TJson& j);

// The shortest decimal text that reads back as the same float ("0.1",
// "1e+10"); "NaN", "Inf" and "-Inf" for the values that are not finite.
std::string FloatText(float v);

// `v` as a JSON number written as FloatText has it; null for NaN and the
// infinities, which JSON cannot hold.
TJson FloatJson(float v);

// A header as the listing describes it: name, type, long_name, and by type
// strings and string_length (1C); rows and cols (2I); storage, dims and
// labels (real arrays). With `elements`, a label of a set whose elements the
// file gives carries them too.
TJson HeaderJson(const THeaderRec& head, bool elements);

}  // namespace modrask::harinfo
