#include "modrask/sets/harsets.h"

#include <algorithm>

#include "modrask/sets/settext.h"
#include "modrask/support/message.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

constexpr int32_t MaxSetElemLen = 12;

// Number of dimensions whose labels can be looked at: acdim within 0..7.
int32_t LabelledDims(const THeaderRec& hdr) {
  return std::clamp(hdr.REDetails.acdim, int32_t{0}, int32_t{7});
}

// String k (1..n) of a 1C header, empty when the list does not reach it.
std::string_view StringAt(const THeaderRec& hdr, int32_t k) {
  if (hdr.StringRec == nullptr || static_cast<size_t>(k) >= hdr.StringRec->size()) return {};
  return (*hdr.StringRec)[k];
}

}  // namespace

void ParseSetLabel(std::string_view label, int32_t n, const THeaderRec& hdr, std::string& rest,
                   std::string& setName) {
  std::string_view s = label;
  rest.clear();
  setName.clear();
  std::string word;
  for (;;) {
    size_t lead = 0;
    while (lead < s.size() && !IsNameChar(s[lead])) ++lead;
    s.remove_prefix(lead);
    const size_t blank = s.find(' ');
    std::string_view raw = s;
    if (blank != std::string_view::npos) {
      raw = s.substr(0, blank);
      s.remove_prefix(blank + 1);
    }
    // Without a blank the last word stays in s as well: "REG" is also its
    // own rest.
    word.clear();
    for (const char c : raw) {
      if (IsNameChar(c)) word.push_back(c);
    }
    if (UpperAscii(word) != "SET") break;
    if (blank == std::string_view::npos) s = {};
  }
  if (UpperAscii(word) == "MAPPING") return;
  if (word.empty()) word = "Set" + std::to_string(n) + "_" + hdr.Name;
  if (word.size() > SetNameLen) word.resize(SetNameLen);
  rest = TrimBlankCtl(s);
  setName = word;
}

bool IsSetHeader(const THeaderRec* hdr, std::string& info) {
  info.clear();
  if (hdr == nullptr) return Fail(info, "nil header");
  if (hdr->HeadType != "1C") return Fail(info, "not a 1C header");
  if (hdr->LenString > MaxSetElemLen) {
    return Fail(info, "Strings too long -- max is " + std::to_string(MaxSetElemLen));
  }
  const int32_t n = hdr->NStrings;
  std::string rest;
  std::string setName;
  ParseSetLabel(hdr->LongName, n, *hdr, rest, setName);
  if (setName.empty()) return Fail(info, "Seems to be a mapping");
  for (int32_t k = 1; k <= n; ++k) {
    const std::string_view elem = StringAt(*hdr, k);
    if (!CheckElementName(elem, info)) {
      info = "Illegal element name \"" + std::string(elem) + "\"\r\n" + info;
      return false;
    }
  }
  int32_t first = 0;
  int32_t second = 0;
  bool found = false;
  std::string checkMsg;
  CheckDupeElms(hdr->StringRec, n, first, checkMsg, found, second);
  if (found) {
    info = "Elements " + std::to_string(first) + " and " + std::to_string(second) +
           " are the same: \"" + std::string(StringAt(*hdr, first)) + "\"";
    return false;
  }
  info = MakeSetKey(n, setName) + " " + rest;
  return true;
}

bool StoreHeaderSets(TSetStore* s, const THeaderRec* hdr, int32_t& nNew, std::string& msg) {
  nNew = 0;
  msg.clear();
  if (NilPtrError(s, msg)) return TaggedTight(msg, "StoreHeaderSets");
  if (hdr == nullptr) return true;
  bool added = false;
  int32_t index = 0;
  if (hdr->HeadType == "RE") {
    const TREDetails& re = hdr->REDetails;
    const int32_t nDims = LabelledDims(*hdr);
    for (int32_t k = 1; k <= nDims; ++k) {
      const int32_t size = hdr->Dims[8 - k];
      const std::string& setName = hdr->SetNames[8 - k];
      if (size < 1 || re.RDelst[k] == 'e' || setName.empty()) continue;
      // Within one header the first dimension with a name decides its set.
      bool earlier = false;
      for (int32_t j = 1; j < k && !earlier; ++j) {
        earlier = re.RDelst[j] != 'e' && hdr->SetNames[8 - j] == setName;
      }
      if (earlier) continue;
      if (!AddToSetStore(s, setName, {}, size, *hdr, false, hdr->SetElements[8 - k], added, index,
                         msg)) {
        return TaggedTight(msg, "StoreHeaderSets");
      }
      if (added) ++nNew;
    }
  }
  if (hdr->HeadType == "1C" && hdr->LenString <= MaxSetElemLen && hdr->NStrings >= 0) {
    std::string rest;
    std::string setName;
    ParseSetLabel(hdr->LongName, hdr->NStrings, *hdr, rest, setName);
    if (setName.empty()) return true;
    if (!AddToSetStore(s, setName, rest, hdr->NStrings, *hdr, true, hdr->StringRec, added, index,
                       msg)) {
      return TaggedTight(msg, "StoreHeaderSets");
    }
    if (added) ++nNew;
  }
  return true;
}

bool HeaderNamesSet(const THeaderRec& hdr, std::string_view name) {
  const std::string target = UpperAscii(TrimBlankCtl(name));
  const auto same = [&target](std::string_view setName) {
    return UpperAscii(TrimBlankCtl(setName)) == target;
  };
  if (TrimBlankCtl(std::string_view(hdr.Name).substr(0, HeadNameLen)).empty()) return false;
  if (hdr.HeadType == "RE") {
    for (int32_t k = 1; k <= LabelledDims(hdr); ++k) {
      if (hdr.Dims[8 - k] >= 1 && hdr.REDetails.RDelst[k] != 'e' && same(hdr.SetNames[8 - k]))
        return true;
    }
  }
  if (hdr.HeadType == "1C" && hdr.LenString <= MaxSetElemLen && hdr.NStrings >= 0) {
    std::string rest;
    std::string setName;
    ParseSetLabel(hdr.LongName, hdr.NStrings, hdr, rest, setName);
    return !setName.empty() && same(setName);
  }
  return false;
}

bool StoreHARFileSets(PSetStore& s, THarData* harData, bool sort, std::string& msg) {
  if (s == nullptr && !InitSetStore(s, msg)) return TaggedTight(msg, "StoreHARFileSets");
  if (harData != nullptr) {
    int32_t nNew = 0;
    // Character headers first, so that a set they define is entered from them.
    for (const bool charPass : {true, false}) {
      for (const PHeaderRec& h : harData->Heads) {
        if (h == nullptr || (h->HeadType == "1C") != charPass) continue;
        if (!StoreHeaderSets(s.get(), h.get(), nNew, msg)) {
          return TaggedTight(msg, "StoreHARFileSets");
        }
      }
    }
  }
  if (sort) SortSetStore(s.get());
  return true;
}

}  // namespace modrask
