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

// Prints the history lines, one a line.
void PrintHistory(std::ostream& out, const THarData& harData);

}  // namespace modrask::harinfo
