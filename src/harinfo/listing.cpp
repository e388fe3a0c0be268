#include "harinfo/listing.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

#include "harinfo/dimlabels.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"
#include "harinfo/texttable.h"

namespace modrask::harinfo {

namespace {

void PrintSummary(std::ostream& out, const THarData& harData, const std::string& fileName) {
  out << fileName << ": " << FlavourName(harData.Flavour) << ", " << harData.NHeads()
      << (harData.NHeads() == 1 ? " header" : " headers");
  const std::string created = SpecialText(harData.XXCDHead.get());
  if (!created.empty()) out << ", created " << created;
  const std::string program = SpecialText(harData.XXCRHead.get());
  if (!program.empty()) out << ", program " << program;
  out << '\n';
}

}  // namespace

void PrintListing(std::ostream& out, const THarData& harData, const std::string& fileName,
                  bool json) {
  if (json) {
    TJson j;
    j["file"] = fileName;
    j["framing"] = FlavourName(harData.Flavour);
    // The stamps as the text has them; null where the file has none.
    for (const auto& [key, head] : {std::pair{"created", harData.XXCDHead.get()},
                                    std::pair{"program", harData.XXCRHead.get()}}) {
      const std::string text = SpecialText(head);
      j[key] = text.empty() ? TJson(nullptr) : TJson(text);
    }
    TJson heads = TJson::array();
    for (const PHeaderRec& h : harData.Heads) heads.push_back(HeaderJson(*h, false));
    j["headers"] = std::move(heads);
    PrintJson(out, j);
    return;
  }
  PrintSummary(out, harData, fileName);
  TTextTable table({"Header", "Type", "Storage", "Dimensions", "Long name"});
  for (const PHeaderRec& h : harData.Heads) {
    table.Add({ShownName(*h), StoredType(*h), StoredStorage(*h), DimsText(*h),
               TrimmedString(h->LongName)});
  }
  table.Print(out);
}

}  // namespace modrask::harinfo
