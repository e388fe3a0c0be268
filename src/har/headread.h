// Reading the next header of a file up to its data records, and completing
// a header's derived fields.
#pragma once

#include <string>
#include <string_view>

#include "modrask/har/harmodel.h"

namespace modrask {

bool FindNDim(const TDims7& dims, int32_t& nDim, std::string& msg);
std::string CleanLongName(std::string_view s);
bool CompleteHeaderRecord(THeaderRec* head, std::string& msg);
bool GetHeaderDetails(TRecFile& f, const std::string& headName, TFileFlavour flavour, bool& gotDesc,
                      std::string& msg, THeaderRec* head);
bool GetHeaderRecord(TRecFile& f, bool& found, bool& skipped, TFileFlavour flavour, bool skipBad,
                     std::string& msg, THeaderRec* head);

}  // namespace modrask
