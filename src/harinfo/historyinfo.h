// The history lines of a file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// The strings of the history header, trailing blanks dropped; none when the
// file has no history.
std::vector<std::string> HistoryLines(const THarData& harData);

// Prints the history lines, one a line; with `json` as {"history": [lines]}.
void PrintHistory(std::ostream& out, const THarData& harData, bool json);

}  // namespace modrask::harinfo
