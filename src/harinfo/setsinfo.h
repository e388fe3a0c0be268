// The sets a file defines or uses, as the set store sees them.
#pragma once

#include <iosfwd>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// Builds the set store of harData and prints each set: name, size, the
// character header that defines it (if one does), the headers that use it,
// and its elements; a name that stands for sets of different sizes is
// flagged. With `json`: {"sets": [{"name", "size", "elements", "defined_by",
// "used_by"}]}. False with the store's message when it cannot be built.
bool PrintSets(std::ostream& out, THarData& harData, bool json, std::string& msg);

}  // namespace modrask::harinfo
