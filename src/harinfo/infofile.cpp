#include "harinfo/infofile.h"

#include <ostream>

#include "modrask/har/harread.h"
#include "modrask/har/realread.h"
#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

int Trouble(std::ostream& err, std::string_view text) {
  err << "harinfo: " << text << '\n';
  return ExitTrouble;
}

bool OpenInfoFile(const std::string& fileName, PHarData& harData, std::string& msg) {
  bool skippedAny = false;
  const TNonFiniteReading stored(true);  // show what the file holds, not the mark
  return ReadHarFile(fileName, harData, false, false, TValueReading::Skip, skippedAny, msg);
}

THeaderRec* FindInfoHeader(const THarData& harData, std::string_view name) {
  const std::string wanted = NormHeadName(name);
  for (const PHeaderRec& h : harData.Heads) {
    if (h != nullptr && h->Name == wanted) return h.get();
  }
  for (const PHeaderRec* slot :
       {&harData.XXCDHead, &harData.XXCRHead, &harData.XXCPHead, &harData.XXHSHead}) {
    if (*slot != nullptr && (*slot)->Name == wanted) return slot->get();
  }
  return nullptr;
}

std::string SpecialText(const THeaderRec* head) {
  if (head == nullptr || head->StringRec == nullptr || head->StringRec->size() < 2) return {};
  return TrimmedString((*head->StringRec)[1]);
}

std::string ShownName(const THeaderRec& head) {
  return TrimmedString(head.Name);
}

}  // namespace modrask::harinfo
