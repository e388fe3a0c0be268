// Reading a whole Header Array file: header after header, the special
// headers into their slots, the rest into the table, then the reordering.
#include "modrask/har/harread.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

#include "modrask/har/chars1c.h"
#include "modrask/har/headread.h"
#include "modrask/har/history.h"
#include "modrask/har/ints2i.h"
#include "modrask/har/realread.h"
#include "modrask/har/relabels.h"
#include "modrask/support/memstat.h"
#include "modrask/support/mhUtil.h"

namespace modrask {

namespace {

// The special header names and their slots.
constexpr std::pair<std::string_view, PHeaderRec THarData::*> SpecialSlots[] = {
    {"XXCD", &THarData::XXCDHead}, {"XXCR", &THarData::XXCRHead}, {"XXHS", &THarData::XXHSHead},
    {"XXCP", &THarData::XXCPHead}, {"XXFF", &THarData::XXFFHead},
};

// The slot of a special header name, or nullptr for an ordinary header.
PHeaderRec* SpecialSlot(THarData& h, const std::string& name) {
  for (const auto& [special, slot] : SpecialSlots)
    if (name == special) return &(h.*slot);
  return nullptr;
}

// Closes the input on every way out of the reading loop, unless headers
// whose values stay in the file share it.
class ReadingFile {
 public:
  ReadingFile() : file(std::make_shared<TRecFile>()) {}
  ReadingFile(const ReadingFile&) = delete;
  ReadingFile& operator=(const ReadingFile&) = delete;
  ~ReadingFile() {
    if (file.use_count() == 1 && file->IsOpen()) CloseLaheyFile(*file);
  }
  std::shared_ptr<TRecFile> file;
};

bool ReadData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, TValueReading how,
              std::string& msg) {
  msg.clear();
  if (NilPtrError(head, msg)) return Tagged(msg, "ReadHeaderData:");
  bool ok = false;
  const std::string& type = head->HeadType;
  if (type == "RE" || type == "RL") {
    if (head->StorageMethod == "FULL") {
      ok = GetRLValues(f, head, flavour, how, msg);
    } else if (head->StorageMethod == "SPSE") {
      ok = GetRLSparseValues(f, head, flavour, how, msg);
    } else {
      ok = Fail(msg, "Unrecognized Storage Method: " + head->StorageMethod);
    }
  } else if (type == "2I") {
    ok = Get2IValues(f, head, flavour, how, msg);
  } else if (type == "2R") {
    TMat2 m;
    ok = Get2RData(f, head, m, flavour, msg) && Turn2RtoRL(head, m, msg) && TurnRLtoRE(head, msg);
  } else if (type == "1C") {
    ok = Get1CData(f, head, flavour, msg);
  } else {
    ok = Fail(msg, "Unrecognized Data Type " + type);
  }
  if (!ok) return Tagged(msg, "ReadHeaderData:" + head->Name);
  return true;
}

bool ReadHeaders(const std::shared_ptr<TRecFile>& file, THarData& harData, TFileFlavour flavour,
                 bool skipBad, TValueReading how, bool& skippedAny, std::string& msg) {
  for (;;) {
    PHeaderRec head;
    bool found = false;
    bool skipped = false;
    if (!ReadNextHeader(file, flavour, skipBad, how, head, found, skipped, msg)) return false;
    if (skipped) skippedAny = true;
    if (!found) return true;
    if (!FileHeader(harData, std::move(head), msg)) return false;
  }
}

bool IsXX(const PHeaderRec& p) {
  return IsXXHead(p.get());
}

}  // namespace

bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 bool& skippedAny, std::string& msg) {
  return ReadHarFile(fileName, harData, doSort, skipBad, TValueReading::Decode, skippedAny, msg);
}

bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 TValueReading how, bool& skippedAny, std::string& msg) {
  return ReadHarFile(fileName, harData, doSort, skipBad, how, TReadOptions(), skippedAny, msg);
}

bool ReadHarFile(const std::string& fileName, PHarData& harData, bool doSort, bool skipBad,
                 TValueReading how, const TReadOptions& options, bool& skippedAny,
                 std::string& msg) {
  skippedAny = false;
  if (!SafeGetMem(harData, msg) || !ReadMoreIntoHarFile(fileName, harData.get(), doSort, skipBad,
                                                        how, options, skippedAny, msg)) {
    Tagged(msg, "ReadHarFile");
    FreeHarData(harData, TUnwantedMsg());
    harData.reset();
    return false;
  }
  MoveXXToFront(*harData);
  return true;
}

bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         bool& skippedAny, std::string& msg) {
  return ReadMoreIntoHarFile(fileName, harData, doSort, skipBad, TValueReading::Decode, skippedAny,
                             msg);
}

bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         TValueReading how, bool& skippedAny, std::string& msg) {
  return ReadMoreIntoHarFile(fileName, harData, doSort, skipBad, how, TReadOptions(), skippedAny,
                             msg);
}

bool ReadMoreIntoHarFile(const std::string& fileName, THarData* harData, bool doSort, bool skipBad,
                         TValueReading how, const TReadOptions& options, bool& skippedAny,
                         std::string& msg) {
  msg.clear();
  skippedAny = false;
  if (NilPtrError(harData, msg)) return Tagged(msg, "ReadMoreIntoHarFile");
  // Nothing the reading does changes the memory limits: they are asked for
  // once, not for every array.
  const TAvailMemScope memScope;
  const int32_t sizeKB = FileSizeKB(fileName);
  if (sizeKB < 0) {
    msg = "File " + fileName + " does not exist. ";
    return Tagged(msg, "ReadMoreIntoHarFile");
  }
  if (sizeKB > AvailMemKB()) {
    msg = "Insufficent Memory to read HAR file " + fileName;
    return Tagged(msg, "ReadMoreIntoHarFile");
  }
  ReadingFile in;
  TFileFlavour flavour = TFileFlavour::OldLahey;
  if (!OpenLaheyFile(*in.file, fileName, flavour, msg)) return Tagged(msg, "ReadMoreIntoHarFile");
  in.file->Reading = options;
  harData->Flavour = flavour;
  if (!ReadHeaders(in.file, *harData, flavour, skipBad, how, skippedAny, msg))
    return Tagged(msg, "ReadMoreIntoHarFile");
  if (!CompleteHarFile(harData, doSort, msg)) return Tagged(msg, "ReadMoreIntoHarFile");
  return true;
}

bool IsSpecialHeaderName(const std::string& name) {
  return std::any_of(std::begin(SpecialSlots), std::end(SpecialSlots),
                     [&name](const auto& s) { return name == s.first; });
}

bool FileHeader(THarData& harData, PHeaderRec head, std::string& msg) {
  if (PHeaderRec* slot = SpecialSlot(harData, head->Name)) {
    *slot = std::move(head);  // a later header of the name replaces the earlier one
    return true;
  }
  if (harData.NHeads() >= MaxHeads)
    return Fail(msg, "Too many headers: max is " + std::to_string(MaxHeads));
  return CheckedAlloc([&] { harData.Heads.push_back(std::move(head)); }, msg);
}

bool ReadNextHeader(const std::shared_ptr<TRecFile>& file, TFileFlavour flavour, bool skipBad,
                    TValueReading how, PHeaderRec& head, bool& found, bool& skipped,
                    std::string& msg) {
  found = false;
  skipped = false;
  if (!SafeGetMem(head, msg)) return false;
  if (!GetHeaderRecord(*file, found, skipped, flavour, skipBad, msg, head.get())) return false;
  if (!found) return true;
  if (!ReadData(*file, head.get(), flavour, how, msg)) return false;
  // Readers that left the values in the file said where.
  if (how != TValueReading::Decode && head->Values.End > 0) {
    head->Values.File = file;
    head->Values.Flavour = flavour;
  }
  return true;
}

bool ReadHeaderData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  return ReadData(f, head, flavour, TValueReading::Decode, msg);
}

void MoveXXToFront(THarData& harData) {
  // The order the exchange walk produces, in linear time: the XX headers
  // that already lead keep their place, the other XX headers follow from
  // last to first, then the remaining headers in their order.
  std::vector<PHeaderRec>& heads = harData.Heads;
  auto rest = heads.begin();
  while (rest != heads.end() && IsXX(*rest)) ++rest;
  const auto others = std::stable_partition(rest, heads.end(), IsXX);
  std::reverse(rest, others);
}

bool sortheaders(THarData* harData, std::string& msg) {
  if (harData == nullptr) return Fail(msg, "Error in [sortheaders]");
  MoveXXToFront(*harData);
  std::vector<PHeaderRec>& heads = harData->Heads;
  const int32_t nHeads = harData->NHeads();
  int32_t first = 1;
  while (first <= nHeads && IsXX(heads[first - 1])) ++first;
  if (first > nHeads) first = 1;
  int32_t gap = nHeads - first + 1;
  bool swapped = false;
  do {
    if (gap > 1) gap = gap * 2 / 3;
    swapped = false;
    for (int32_t i = first; i <= nHeads - gap; ++i) {
      if (heads[i - 1]->Name > heads[i + gap - 1]->Name) {
        std::swap(heads[i - 1], heads[i + gap - 1]);
        swapped = true;
      }
    }
  } while (swapped || gap > 1);
  return true;
}

bool CompleteHarFile(THarData* harData, bool doSort, std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "CompleteHarFile");
  if (!CreateHistoryHeader(harData, msg)) return Tagged(msg, "CompleteHarFile");
  if (harData->XXCDHead == nullptr && !SetCreationDateHeader(harData, "unknown time", msg))
    return Tagged(msg, "CompleteHarFile");
  if (harData->XXCRHead == nullptr && !SetCreatingProgHeader(harData, "unknown", msg))
    return Tagged(msg, "CompleteHarFile");
  if (doSort && !sortheaders(harData, msg)) return Tagged(msg, "CompleteHarFile");
  return true;
}

}  // namespace modrask
