// Reading a whole Header Array file into a THarData.
#pragma once

#include <memory>
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
// The same with reading options other than the defaults; the open file
// keeps them for values read later.
bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 TValueReading how, const TReadOptions& options, bool& skippedAny,
                 std::string& msg);
bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         TValueReading how, const TReadOptions& options, bool& skippedAny,
                         std::string& msg);
// Reading header by header, for a caller that acts on each as it arrives
// (ReadMoreIntoHarFile is a loop of these two). ReadNextHeader reads the next
// header record and its values as `how` says from the open file, in
// `flavour`; found is false at the clean end of the file, skipped true when
// skipBad passed over a header with bad details. Headers whose values stay
// in the file share `file`. Failures carry the reader's tags.
bool ReadNextHeader(const std::shared_ptr<TRecFile>& file, TFileFlavour flavour, bool skipBad,
                    TValueReading how, PHeaderRec& head, bool& found, bool& skipped,
                    std::string& msg);
// Files a header that was read: a special header (IsSpecialHeaderName) into
// its slot, where a later one of the name replaces the earlier, any other at
// the end of Heads. False beyond MaxHeads ordinary headers: "Too many
// headers: max is 10050".
bool FileHeader(THarData& harData, PHeaderRec head, std::string& msg);
// XXCD, XXCR, XXHS, XXCP and XXFF: the headers held in THarData's slots.
bool IsSpecialHeaderName(const std::string& name);

bool ReadHeaderData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
void MoveXXToFront(THarData& harData);
bool sortheaders(THarData* harData, std::string& msg);
bool CompleteHarFile(THarData* harData, bool doSort, std::string& msg);

}  // namespace modrask
