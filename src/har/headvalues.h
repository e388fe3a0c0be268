// The values of a header that reading left in its file (TValueReading Check
// or Skip): brought into memory when a caller needs them, released again.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// Decodes the values of `head` from its file into HeadMat or IntData, as the
// decoding read would have left them, and marks them Loaded. True at once
// when the values are already in memory. Failures carry the readers' tags,
// then " [ReadHeaderValues]"; "Input file changed since it was read: " name
// when the records no longer end where they did.
// The values are decoded with the reading options the file was read with;
// the second form decodes them with `options` instead (and leaves those with
// the file).
bool ReadHeaderValues(THeaderRec* head, std::string& msg);
bool ReadHeaderValues(THeaderRec* head, const TReadOptions& options, std::string& msg);

// Releases values that ReadHeaderValues brought into memory; the header
// still knows where they lie. Values that were read into memory with the
// rest of the file are kept.
void ReleaseHeaderValues(THeaderRec* head);

}  // namespace modrask
