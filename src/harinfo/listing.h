// The listing of a file's headers in file order: a summary line and a table,
// or one JSON object.
#pragma once

#include <iosfwd>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// Prints the summary (framing, number of headers, creation date and program)
// and one table row per ordinary header: name, stored type, storage of real
// arrays, dimensions, long name. With `json`: {"file", "framing",
// "headers": [HeaderJson...]}.
void PrintListing(std::ostream& out, const THarData& harData, const std::string& fileName,
                  bool json);

}  // namespace modrask::harinfo
