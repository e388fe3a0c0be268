// The special headers that describe a file: creation date (XXCD), creating
// program (XXCR), compiler (XXCP) and history (XXHS).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "har/harmodel.h"

namespace modrask {

inline constexpr int32_t HistLineLen = 60;

// "HARFILE dd/Mon/yyyy", the library's version stamp.
std::string LibraryVersionStamp();
// The upper-case name of the compiler that built the program (at most 6).
std::string CompilerWord();

bool SetCreationDateHeader(THarData* harData, std::string_view dateText, std::string& msg);
bool SetCreatingProgHeader(THarData* harData, std::string_view progName, std::string& msg);
bool CreateHistoryHeader(THarData* harData, std::string& msg);
bool AddHistLine(THeaderRec* head, std::string_view line, std::string& msg);
bool AddHistoryLines(THarData* harData, const std::vector<std::string>& lines, std::string& msg);

}  // namespace modrask
