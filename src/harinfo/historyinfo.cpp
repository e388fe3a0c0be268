#include "harinfo/historyinfo.h"

#include <ostream>

#include "harinfo/dimlabels.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

std::vector<std::string> HistoryLines(const THarData& harData) {
  std::vector<std::string> lines;
  const THeaderRec* head = harData.XXHSHead.get();
  if (head == nullptr || head->StringRec == nullptr) return lines;
  const std::vector<std::string>& strings = *head->StringRec;
  for (int32_t i = 1; i <= head->NStrings && static_cast<size_t>(i) < strings.size(); ++i) {
    lines.push_back(TrimmedString(strings[static_cast<size_t>(i)]));
  }
  return lines;
}

void PrintHistory(std::ostream& out, const THarData& harData, bool json) {
  if (json) {
    TJson j;
    j["history"] = HistoryLines(harData);
    PrintJson(out, j);
    return;
  }
  for (const std::string& line : HistoryLines(harData)) out << line << '\n';
}

}  // namespace modrask::harinfo
