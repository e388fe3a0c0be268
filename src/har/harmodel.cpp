// Release of headers and whole files in memory, header names and set slots.
#include "modrask/har/harmodel.h"

#include <cassert>

#include "modrask/support/message.h"

namespace modrask {

bool FreeHead(PHeaderRec& head, std::string& msg) {
  if (head == nullptr) return true;
  THeaderRec& h = *head;
  if (!FreeArr4(h.IntData, h.NRows, h.NCols, msg)) return Tagged(msg, "FreeHead");
  if (!FreePStrVec(h.StringRec, h.NStrings, msg)) return Tagged(msg, "FreeHead");
  if (!FreeMat7(h.HeadMat, msg)) return Tagged(msg, "FreeHead");
  // Each slot owns its own list (unique ownership), so none is released twice.
  for (int i = 1; i <= 7; ++i) {
    if (!FreePStrVec(h.SetElements[i], h.Dims[i], msg)) return Tagged(msg, "FreeHead");
  }
  head.reset();
  return true;
}

bool FreeHarData(PHarData& harData, std::string& msg) {
  if (harData == nullptr) return true;
  THarData& d = *harData;
  for (PHeaderRec& h : d.Heads) {
    if (!FreeHead(h, msg)) return Tagged(msg, "FreeHarData");
  }
  d.Heads.clear();
  for (PHeaderRec* slot : {&d.XXHSHead, &d.XXCDHead, &d.XXCRHead, &d.XXCPHead, &d.XXFFHead}) {
    if (!FreeHead(*slot, msg)) return Tagged(msg, "FreeHarData");
  }
  harData.reset();
  return true;
}

std::string NormHeadName(std::string_view s) {
  std::string name;
  name.reserve(HeadNameLen);
  for (const char ch : s) {
    if (name.size() == HeadNameLen) break;
    const auto c = static_cast<unsigned char>(ch);
    if (c < 33 || c > 126) continue;
    name.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : ch);
  }
  name.resize(HeadNameLen, ' ');
  return name;
}

bool IsXXHead(const THeaderRec* head) {
  return head != nullptr && head->Name.size() >= 2 && head->Name[0] == 'X' && head->Name[1] == 'X';
}

void SetHeadSet(THeaderRec& head, int k, std::string_view setName, PStrVec elements) {
  assert(k >= 1 && k <= 7);
  const std::string_view cut = setName.substr(0, SetNameLen);
  head.SetNames[8 - k].assign(cut);
  head.REDetails.StName[k].assign(cut);
  if (head.REDetails.RDelst[k] != 'e') head.REDetails.RDelst[k] = elements != nullptr ? 'k' : 'u';
  head.SetElements[8 - k] = std::move(elements);
}

}  // namespace modrask
