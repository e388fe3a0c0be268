// Gathering the sets of a file held in memory into the set store.
#pragma once

#include <string>
#include <string_view>

#include "sets/SetStore.h"

namespace modrask {

void ParseSetLabel(std::string_view label, int32_t n, const THeaderRec& hdr, std::string& rest,
                   std::string& setName);
bool IsSetHeader(const THeaderRec* hdr, std::string& info);
bool StoreHeaderSets(TSetStore* s, const THeaderRec* hdr, int32_t& nNew, std::string& msg);
bool StoreHARFileSets(PSetStore& s, THarData* harData, bool sort, std::string& msg);

}  // namespace modrask
