// The set and element labels of a real array ("RE"): the set-information
// record and the element-list records that follow an RE descriptor.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "modrask/har/harmodel.h"

namespace modrask {

using TSetElements = std::array<PStrVec, 8>;
using TSetNames = std::array<std::string, 8>;

// Trailing blanks removed, then every character outside NameChars deleted.
std::string CleanName(std::string_view name);

bool GetREData(TRecFile& f, TREDetails& details, int32_t& origNDim, const TDims7& dims,
               TSetElements& setElements, TSetNames& setNames, TFileFlavour flavour,
               std::string& msg);
bool GetOrgREData(TRecFile& f, const TDims7& dims, TREDetails& details, TSetElements& setElements,
                  TFileFlavour flavour, std::string& msg);
bool TransferREData(TREDetails& details, int32_t& origNDim, const TSetElements& setElements,
                    TSetNames& setNames, const TDims7& dims, std::string& msg);
bool TurnRLtoRE(THeaderRec* head, std::string& msg);
bool ValidREDetails(const THeaderRec* head, std::string& msg);
bool CheckSetSizes(const THeaderRec* head, std::string& msg);
// d[1..7]: the sizes in descriptor order.
bool WriteOrgREData(TRecFile& f, const TREDetails& details, const TDims7& d,
                    const TSetElements& setElements, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
