// Renaming one set everywhere in a file held in memory.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// Renames the set `oldName` (any case; blanks are not removed) to `newName`
// (written as given) in every labelled dimension of the real arrays and in
// the long name of every character header that defines the set ("Set " +
// newName + " " + the label's rest, cut to 70), completes every ordinary
// header again and adds the history line "Set <old> was globally renamed to
// <new>". nChanges counts renamed dimensions and character headers. Whether
// the new name is free is the caller's check.
// False ("... [RenameSetInHar]"): an illegal new name (nothing changed), a
// nil file, or a failure to complete a header or to add the history line
// (the file is then partly renamed and must not be written).
bool RenameSetInHar(THarData* harData, const std::string& oldName, const std::string& newName,
                    std::string& msg, int32_t& nChanges);

// RenameSetInHar's work on one header: the set `oldUp` (upper-cased) renamed
// in it, then the header completed again; false with CompleteHeaderRecord's
// message (untagged).
bool RenameSetInHeader(THeaderRec& h, const std::string& oldUp, const std::string& newName,
                       int32_t& nChanges, std::string& msg);

// The history line of a rename.
std::string RenameHistoryLine(const std::string& oldName, const std::string& newName);

}  // namespace modrask
