// Writing a whole Header Array file, the header-name rules and the settings
// that choose the output framing.
#pragma once

#include <string>

#include "har/harmodel.h"

namespace modrask {

extern bool ForceDefaultFlavour;           // false initially
extern TFileFlavour DefaultFlavour;        // NewFujitsu

bool WriteHarFile(const std::string& fileName, const std::string& progName,
                  const std::string& dateText, THarData* harData, std::string& msg);
bool WriteHead(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);
bool CheckHarFile(THarData* harData, std::string& msg);
bool FindIllegalHeader(THarData& harData, std::string& badName, int32_t& pos, std::string& msg);
bool FindDuplicateHeader(const THarData& harData, std::string& dupName, int32_t& pos1,
                         int32_t& pos2);
bool CheckHeaderName(std::string& name, std::string& msg);

}  // namespace modrask
