#include "modrask/har/harwrite.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

#include "modrask/har/chars1c.h"
#include "modrask/har/harread.h"
#include "modrask/har/history.h"
#include "modrask/har/ints2i.h"
#include "modrask/har/realwrite.h"
#include "modrask/support/message.h"
#include "modrask/support/mystrucs.h"

namespace modrask {

namespace {

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool IsBlankText(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c == ' '; });
}

bool IsHeaderNameChar(char c) {
  return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '@' || c == '_';
}

// A normalised name (exactly 4 bytes) as one key.
uint32_t NameKey(const std::string& norm) {
  uint32_t key = 0;
  for (size_t i = 0; i < HeadNameLen; ++i) key = (key << 8) | static_cast<unsigned char>(norm[i]);
  return key;
}

// Gives every unnamed label set of an RE header the name "Unk" + its size.
void FillUnknownSetNames(THeaderRec& head) {
  TREDetails& det = head.REDetails;
  const int n = std::clamp(det.acdim, 0, 7);
  bool allNamed = true;
  for (int k = 1; k <= n; ++k) {
    if (IsBlankText(det.StName[k]))
      det.StName[k] = ("Unk" + std::to_string(head.Dims[8 - k])).substr(0, SetNameLen);
    allNamed = allNamed && !IsBlankText(det.StName[k]);
  }
  det.stknow = allNamed;
}

// The ordinary headers whose names begin with XX (xxPass) or the others.
bool WriteOrdinaryPass(TRecFile& f, THarData& harData, TFileFlavour flavour, bool xxPass,
                       std::string& msg) {
  for (const PHeaderRec& head : harData.Heads) {
    if (head == nullptr || head->Name == "XXFF" || IsXXHead(head.get()) != xxPass) continue;
    if (!WriteOrdinaryHeader(f, head.get(), flavour, msg)) return false;
  }
  return true;
}

}  // namespace

bool WriteLeadingHeaders(TRecFile& f, const std::string& progName, const std::string& dateText,
                         THarData& harData, TFileFlavour flavour, std::string& msg) {
  if (!SetCreationDateHeader(&harData, dateText, msg)) return false;
  if (!SetCreatingProgHeader(&harData, progName, msg)) return false;
  for (PHeaderRec* slot : {&harData.XXCDHead, &harData.XXCRHead, &harData.XXCPHead}) {
    if (*slot != nullptr && !WriteHead(f, slot->get(), flavour, msg)) return false;
  }
  THeaderRec* hist = harData.XXHSHead.get();
  if (NilPtrError(hist, msg)) return false;
  if (hist->LenString != HistLineLen)
    return Fail(msg, "History strings are of length " + std::to_string(hist->LenString) +
                         " should be " + std::to_string(HistLineLen) + ".");
  if (hist->NStrings > 0 && !WriteHead(f, hist, flavour, msg)) return false;
  return WriteOrdinaryPass(f, harData, flavour, true, msg);
}

bool WriteOrdinaryHeader(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (head->HeadType == "RE") FillUnknownSetNames(*head);
  return WriteHead(f, head, flavour, msg);
}

namespace {

// Everything written after the file was created: stamps, the special
// headers in their fixed order, then the ordinary ones.
bool WriteAllHeaders(TRecFile& f, const std::string& progName, const std::string& dateText,
                     THarData& harData, TFileFlavour flavour, std::string& msg) {
  return WriteLeadingHeaders(f, progName, dateText, harData, flavour, msg) &&
         WriteOrdinaryPass(f, harData, flavour, false, msg);
}

// Closes the files that values were left in, so that the output may take
// the name of one of them on a host where an open file cannot be replaced.
void CloseValueFiles(THarData& harData) {
  const auto close = [](PHeaderRec& head) {
    if (head != nullptr && head->Values.InFile() && head->Values.File->IsOpen())
      CloseLaheyFile(*head->Values.File);
  };
  for (PHeaderRec& head : harData.Heads) close(head);
  for (PHeaderRec* slot : {&harData.XXCDHead, &harData.XXCRHead, &harData.XXCPHead,
                           &harData.XXHSHead, &harData.XXFFHead})
    close(*slot);
}

}  // namespace

TFileFlavour WrittenFlavour(const TWriteOptions& options, TFileFlavour flavour) {
  return options.ForceDefaultFlavour ? options.DefaultFlavour : flavour;
}

bool WriteHarFile(const std::string& fileName, const std::string& progName,
                  const std::string& dateText, THarData* harData, std::string& msg) {
  return WriteHarFile(fileName, progName, dateText, harData, TWriteOptions(), msg);
}

bool WriteHarFile(const std::string& fileName, const std::string& progName,
                  const std::string& dateText, THarData* harData, const TWriteOptions& options,
                  std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "WriteHarFile");
  if (!CompleteHarFile(harData, false, msg)) return Tagged(msg, "WriteHarFile");
  if (!CheckHarFile(harData, msg)) return Tagged(msg, "WriteHarFile");
  if (!msg.empty()) return Tagged(msg, "WriteHarFile");

  const TFileFlavour flavour = WrittenFlavour(options, harData->Flavour);
  harData->Flavour = flavour;
  TRecFile f;
  if (!CreateLaheyFile(f, fileName, flavour, options, msg)) return Tagged(msg, "WriteHarFile");
  // The records go to a temporary file; only a complete one takes the name.
  if (!WriteAllHeaders(f, progName, dateText, *harData, flavour, msg)) {
    AbandonLaheyFile(f);
    return Tagged(msg, "WriteHarFile");
  }
  if (OpenFilesBlockReplace) CloseValueFiles(*harData);
  if (!FinishLaheyFile(f, msg)) return Tagged(msg, "WriteHarFile");
  return true;
}

bool WriteHead(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "WriteHead:");
  bool ok = false;
  const std::string& type = head->HeadType;
  if (type == "RL" || type == "RE") {
    ok = WriteRLData(f, head, flavour, msg);
  } else if (type == "1C") {
    ok = Write1CData(f, head, flavour, msg);
  } else if (type == "2I") {
    ok = Write2IData(f, head, flavour, msg);
  } else {
    msg = "Unrecognized Data Type " + type;
  }
  if (!ok) return Tagged(msg, "WriteHead:" + head->Name.substr(0, HeadNameLen));
  return true;
}

bool CheckHarFile(THarData* harData, std::string& msg) {
  if (NilPtrError(harData, msg)) return Tagged(msg, "CheckHarFile");
  msg.clear();
  std::string badName, rule;
  int32_t pos = 0;
  if (FindIllegalHeader(*harData, badName, pos, rule)) {
    msg = "Header no " + std::to_string(pos) + ", \"" + badName + "\" is illegal: \r\n" + rule;
    return true;
  }
  std::string dupName;
  int32_t pos1 = 0, pos2 = 0;
  if (FindDuplicateHeader(*harData, dupName, pos1, pos2))
    msg = "Header \"" + dupName + "\" appears twice, at positions " + std::to_string(pos1) +
          " and " + std::to_string(pos2);
  return true;
}

bool FindIllegalHeader(THarData& harData, std::string& badName, int32_t& pos, std::string& msg) {
  badName.clear();
  pos = 0;
  msg.clear();
  for (int32_t i = 1; i <= harData.NHeads(); ++i) {
    THeaderRec* head = harData.Heads[static_cast<size_t>(i - 1)].get();
    if (head == nullptr || NormaliseHeaderName(*head, badName, msg)) continue;
    pos = i;
    return true;
  }
  return false;
}

bool NormaliseHeaderName(THeaderRec& head, std::string& badName, std::string& msg) {
  std::string name = UpperAscii(head.Name.substr(0, HeadNameLen));
  if (name.starts_with("XX")) return true;
  if (!CheckHeaderName(name, msg)) {
    badName = name;
    return false;
  }
  head.Name = name;
  return true;
}

bool FindDuplicateHeader(const THarData& harData, std::string& dupName, int32_t& pos1,
                         int32_t& pos2) {
  dupName.clear();
  pos1 = 0;
  pos2 = 0;
  // Walking back while remembering the nearest later position of each name,
  // the last pair met is the first header that has a later twin, together
  // with its first twin.
  std::unordered_map<uint32_t, int32_t> later;
  later.reserve(harData.Heads.size());
  for (int32_t i = harData.NHeads(); i >= 1; --i) {
    const THeaderRec* head = harData.Heads[static_cast<size_t>(i - 1)].get();
    if (head == nullptr) continue;
    const std::string norm = NormHeadName(head->Name);
    auto [it, fresh] = later.try_emplace(NameKey(norm), i);
    if (!fresh) {
      dupName = norm;
      pos1 = i;
      pos2 = it->second;
      it->second = i;
    }
  }
  return pos1 != 0;
}

bool CheckHeaderName(std::string& name, std::string& msg) {
  msg.clear();
  std::erase(name, ' ');
  if (name.size() > HeadNameLen) name.resize(HeadNameLen);
  if (name.empty()) return Fail(msg, "Header must not be blank or all spaces");
  name = NormHeadName(name);
  // Only unprintable characters: nothing is left of the name.
  if (IsBlankText(name)) return Fail(msg, "Header must not be blank or all spaces");
  if (!std::all_of(name.begin(), name.end(), IsHeaderNameChar))
    return Fail(msg, "Header must only contain letters A-Z or digits 0-9");
  if (name.starts_with("XX"))
    return Fail(msg, "Header names beginning with \"XX\" are reserved for MODRASK internal use");
  return true;
}

}  // namespace modrask
