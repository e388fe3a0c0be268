// The special headers that describe a file: creation date (XXCD), creating
// program (XXCR), compiler (XXCP) and history (XXHS).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask {

inline constexpr int32_t HistLineLen = 60;

// "HARFILE dd/Mon/yyyy", the library's version stamp.
std::string LibraryVersionStamp();
// The upper-case name of the compiler that built the program (at most 6).
std::string CompilerWord();

// Each returns false with its own name as tag appended; a nil harData gives
// "Unexpected Nil Pointer". The headers made belong to harData's slots.

// Replaces XXCDHead by one string "at " + dateText (length 70).
bool SetCreationDateHeader(THarData* harData, std::string_view dateText, std::string& msg);
// Replaces XXCRHead (progName, the version stamp; length 70) and XXCPHead
// (the compiler word; length 6).
bool SetCreatingProgHeader(THarData* harData, std::string_view progName, std::string& msg);
// Creates XXHSHead with "no previous history" (length 60) when it is nil; an
// existing history is left as it is.
bool CreateHistoryHeader(THarData* harData, std::string& msg);
// Appends `line`, trimmed of blanks and control characters, as strings of at
// most 60 characters: a longer line is cut after its last blank, comma or
// backslash within 60 (at 60 when there is none), continuations indented by
// three blanks. An empty line adds nothing. "UnExpected nil header",
// "StringRec=nil"; after a failure the pieces added so far stay.
bool AddHistLine(THeaderRec* head, std::string_view line, std::string& msg);
// CreateHistoryHeader, then AddHistLine for each line in order.
bool AddHistoryLines(THarData* harData, const std::vector<std::string>& lines, std::string& msg);

}  // namespace modrask
