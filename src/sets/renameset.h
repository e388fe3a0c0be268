// Renaming one set everywhere in a file held in memory.
#pragma once

#include <string>

#include "har/harmodel.h"

namespace modrask {

bool RenameSetInHar(THarData* harData, const std::string& oldName, const std::string& newName,
                    std::string& msg, int32_t& nChanges);

}  // namespace modrask
