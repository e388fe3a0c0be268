#include "harinfo/setsinfo.h"

#include <algorithm>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "harinfo/dimlabels.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"
#include "harinfo/texttable.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"

namespace modrask::harinfo {

namespace {

using TUsers = std::unordered_map<std::string, std::vector<std::string>>;
using TElementLists = std::unordered_map<std::string, std::vector<std::vector<std::string>>>;

void AddList(std::vector<std::vector<std::string>>& lists, std::vector<std::string> names) {
  if (names.empty() || std::find(lists.begin(), lists.end(), names) != lists.end()) return;
  lists.push_back(std::move(names));
}

// For each set key ("REG(5)"), the real arrays that have a dimension of that
// set, each once, in file order; and the different element lists that the
// arrays' labels give it.
TUsers UsersBySet(const THarData& harData, TElementLists& lists) {
  TUsers users;
  for (const PHeaderRec& h : harData.Heads) {
    if (!IsRealArray(*h)) continue;
    std::vector<std::string> keys;
    for (const TDimInfo& d : DimInfos(*h)) {
      if (!d.Labelled() || d.Single()) continue;
      std::string key = MakeSetKey(d.Size, d.Set);
      if (d.Elements != nullptr) {
        std::vector<std::string> names;
        for (int32_t i = 1; i <= d.Size; ++i) names.push_back(CellName(d, i));
        AddList(lists[key], std::move(names));
      }
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
      users[key].push_back(ShownName(*h));
      keys.push_back(std::move(key));
    }
  }
  return users;
}

std::vector<std::string> ElementNames(const TSetStoreRecxx& set) {
  std::vector<std::string> names;
  if (set.Elements == nullptr) return names;
  for (int32_t i = 1; i <= set.Size && static_cast<size_t>(i) < set.Elements->size(); ++i) {
    names.push_back(TrimmedString((*set.Elements)[static_cast<size_t>(i)]));
  }
  return names;
}

// "sizes" when the set's name stands for sets of different sizes; "elements"
// when it stands for one size but the headers name its elements otherwise
// (elementLists > 1); else "". `count` is the number of sets of that name.
std::string NameConflict(const TSetStore& store, const TSetStoreRecxx& set, size_t elementLists,
                         int32_t& count) {
  count = 0;
  for (int32_t i = 1; i <= store.Count; ++i) {
    if (store.Entries[static_cast<size_t>(i - 1)]->SetName == set.SetName) ++count;
  }
  if (count > 1) return "sizes";
  return elementLists > 1 ? "elements" : "";
}

void PrintSetText(std::ostream& out, const TSetStore& store, const TSetStoreRecxx& set,
                  const std::vector<std::string>& users, size_t elementLists) {
  out << set.SetName << " (" << set.Size << ")";
  if (set.From1C) out << ", defined by " << TrimmedString(set.HeaderName);
  out << ", used by " << users.size() << (users.size() == 1 ? " header" : " headers");
  int32_t same = 0;
  const std::string conflict = NameConflict(store, set, elementLists, same);
  if (conflict == "sizes") out << "; the name stands for " << same << " sets of different sizes";
  if (elementLists > 1)
    out << "; its headers give it " << elementLists << " different element lists";
  out << '\n';
  const std::vector<std::string> names = ElementNames(set);
  if (names.empty()) {
    out << "    (elements not named in the file)\n";
  } else {
    PrintWrapped(out, names);
  }
}

}  // namespace

bool PrintSets(std::ostream& out, THarData& harData, bool json, std::string& msg) {
  PSetStore store;
  if (!StoreHARFileSets(store, &harData, false, msg)) return false;
  TElementLists lists;
  const TUsers users = UsersBySet(harData, lists);
  const std::vector<std::string> none;
  TJson sets = TJson::array();
  for (int32_t i = 1; i <= store->Count; ++i) {
    const TSetStoreRecxx& set = *store->Entries[static_cast<size_t>(i - 1)];
    const auto found = users.find(set.Key);
    const std::vector<std::string>& usedBy = found == users.end() ? none : found->second;
    std::vector<std::vector<std::string>>& seen = lists[set.Key];
    AddList(seen, ElementNames(set));
    if (!json) {
      PrintSetText(out, *store, set, usedBy, seen.size());
      continue;
    }
    TJson j;
    j["name"] = set.SetName;
    j["size"] = set.Size;
    j["elements"] = ElementNames(set);
    j["defined_by"] = set.From1C ? TJson(TrimmedString(set.HeaderName)) : TJson(nullptr);
    j["used_by"] = usedBy;
    int32_t same = 0;
    const std::string conflict = NameConflict(*store, set, seen.size(), same);
    j["sets_of_this_name"] = same;
    j["element_lists"] = seen.size();
    j["name_differs_in"] = conflict.empty() ? TJson(nullptr) : TJson(conflict);
    sets.push_back(std::move(j));
  }
  if (json) {
    TJson j;
    j["sets"] = std::move(sets);
    PrintJson(out, j);
  }
  return true;
}

}  // namespace modrask::harinfo
