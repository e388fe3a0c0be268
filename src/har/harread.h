// Reading a whole Header Array file into a THarData.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// Creates harData (nil on entry) and reads the whole file, every value
// into memory; on failure harData is nil again. Failures carry
// " [ReadHarFile]".
bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 bool& skippedAny, std::string& msg);
bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         bool& skippedAny, std::string& msg);

// The same, with a choice of what becomes of the values of real and integer
// headers (valueplace.h). With Check the refusals are exactly those of the
// decoding read, and the file stays open, shared by the headers whose values
// stay in it, until the last of them is released; ReadHeaderValues
// (headvalues.h) brings such values into memory when they are wanted.
bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 TValueReading how, bool& skippedAny, std::string& msg);
bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         TValueReading how, bool& skippedAny, std::string& msg);
bool ReadHeaderData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
void MoveXXToFront(THarData& harData);
bool sortheaders(THarData* harData, std::string& msg);
bool CompleteHarFile(THarData* harData, bool doSort, std::string& msg);

}  // namespace modrask
