#include "modrask/sets/renameset.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "modrask/har/headread.h"
#include "modrask/har/history.h"
#include "modrask/sets/harsets.h"
#include "modrask/sets/settext.h"
#include "modrask/support/message.h"
#include "modrask/support/mystrucs.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

// Renames every labelled dimension of an RE header over `oldUp`.
void RenameInArray(THeaderRec& h, const std::string& oldUp, const std::string& newName,
                   int32_t& nChanges) {
  const int32_t nDims = std::clamp(h.REDetails.acdim, int32_t{0}, int32_t{7});
  for (int32_t k = 1; k <= nDims; ++k) {
    if (UpperAscii(h.SetNames[8 - k]) != oldUp) continue;
    SetHeadSet(h, k, newName, std::move(h.SetElements[8 - k]));
    ++nChanges;
  }
}

// Rewrites the long name of a 1C header that defines the set `oldUp`. The
// label is read first: only a header that names the set has its elements
// checked, which is the costly part.
void RenameInCharHeader(THeaderRec& h, const std::string& oldUp, const std::string& newName,
                        int32_t& nChanges) {
  std::string rest;
  std::string setName;
  ParseSetLabel(h.LongName, h.NStrings, h, rest, setName);
  if (UpperAscii(setName) != oldUp) return;
  std::string info;
  if (!IsSetHeader(&h, info)) return;
  h.LongName = ("Set " + newName + " " + rest).substr(0, LongNameLen);
  ++nChanges;
}

}  // namespace

bool RenameSetInHeader(THeaderRec& h, const std::string& oldUp, const std::string& newName,
                       int32_t& nChanges, std::string& msg) {
  if (h.HeadType == "RE") RenameInArray(h, oldUp, newName, nChanges);
  if (h.HeadType == "1C") RenameInCharHeader(h, oldUp, newName, nChanges);
  return CompleteHeaderRecord(&h, msg);
}

std::string RenameHistoryLine(const std::string& oldName, const std::string& newName) {
  return "Set " + oldName + " was globally renamed to " + newName;
}

bool RenameSetInHar(THarData* harData, const std::string& oldName, const std::string& newName,
                    std::string& msg, int32_t& nChanges) {
  nChanges = 0;
  std::string reason;
  if (!CheckSetName(newName, reason)) {
    msg = newName + " is not a legal set name: \r\n" + reason;
    return Tagged(msg, "RenameSetInHar");
  }
  if (NilPtrError(harData, msg)) return Tagged(msg, "RenameSetInHar");
  const std::string oldUp = UpperAscii(oldName);
  for (const PHeaderRec& h : harData->Heads) {
    if (h == nullptr) continue;
    if (!RenameSetInHeader(*h, oldUp, newName, nChanges, msg)) return Tagged(msg, "RenameSetInHar");
  }
  const std::vector<std::string> lines{RenameHistoryLine(oldName, newName)};
  if (!AddHistoryLines(harData, lines, msg)) return Tagged(msg, "RenameSetInHar");
  return true;
}

}  // namespace modrask
