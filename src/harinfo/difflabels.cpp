#include "harinfo/difflabels.h"

#include <algorithm>
#include <unordered_map>

#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

namespace {

constexpr size_t NamesShown = 5;

std::vector<std::string> ElementNames(const TDimInfo& d) {
  std::vector<std::string> names;
  for (int32_t i = 1; i <= d.Size; ++i) names.push_back(CellName(d, i));
  return names;
}

std::unordered_map<std::string, int32_t> Slots(const std::vector<std::string>& names) {
  std::unordered_map<std::string, int32_t> slots;
  for (size_t i = 0; i < names.size(); ++i) slots.emplace(names[i], static_cast<int32_t>(i));
  return slots;
}

// What changed between two lists of element names, and the NEW slot of
// each OLD slot. An element in one list only that stands in the same slot
// as one in the other list only was renamed in place, when the two lists
// share other elements. Returns how many OLD slots found a NEW one.
int32_t MatchElements(const std::vector<std::string>& a, const std::vector<std::string>& b,
                      TElementChanges& c, std::vector<int32_t>& map) {
  const auto inA = Slots(a);
  const auto inB = Slots(b);
  map.assign(a.size(), -1);
  int32_t shared = 0;
  int32_t last = -1;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto found = inB.find(a[i]);
    if (found == inB.end()) continue;
    map[i] = found->second;
    ++shared;
    if (found->second < last) c.Reordered = true;
    last = found->second;
  }
  if (shared == 0) return 0;
  std::vector<bool> renamedNew(b.size(), false);
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    if (map[i] < 0 && !inA.contains(b[i])) {
      c.Renamed.emplace_back(a[i], b[i]);
      map[i] = static_cast<int32_t>(i);
      renamedNew[i] = true;
      ++shared;
    }
  }
  for (size_t i = 0; i < a.size(); ++i) {
    if (map[i] < 0) c.Removed.push_back(a[i]);
  }
  for (size_t i = 0; i < b.size(); ++i) {
    if (!renamedNew[i] && !inA.contains(b[i])) c.Added.push_back(b[i]);
  }
  return shared;
}

std::string NameList(const std::vector<std::string>& names) {
  std::string s;
  for (size_t i = 0; i < names.size() && i < NamesShown; ++i) s += (i == 0 ? "" : " ") + names[i];
  if (names.size() > NamesShown) s += " and " + std::to_string(names.size() - NamesShown) + " more";
  return s;
}

// One dimension of each file; `map` stays empty when cell i is cell i.
void DiffDimension(size_t k, const TDimInfo& a, const TDimInfo& b, THeadDiff& d,
                   std::vector<int32_t>& map) {
  const std::string where = "dimension " + std::to_string(k + 1) + ": ";
  if (a.Labelled() != b.Labelled()) {
    d.LabelNotes.push_back(where + (a.Labelled() ? "set " + a.Set + " became unlabelled"
                                                 : "unlabelled became set " + b.Set));
  }
  if (!a.Labelled() || !b.Labelled()) {
    if (a.Size != b.Size) {
      d.NotComparable = where + "a dimension without labels changed size";
    }
    return;
  }
  const std::vector<std::string> na = ElementNames(a);
  const std::vector<std::string> nb = ElementNames(b);
  if (na == nb) {
    if (a.Set != b.Set) AddRename(d, a.Set, b.Set);
    return;
  }
  TElementChanges c;
  c.Dimension = static_cast<int32_t>(k + 1);
  c.OldSet = a.Set;
  c.NewSet = b.Set;
  if (MatchElements(na, nb, c, map) == 0) {
    d.NotComparable = where + (a.Set == b.Set ? "the elements of " + a.Set + " all changed"
                                              : "sets " + a.Set + " and " + b.Set +
                                                    " have no element in common");
    d.LabelReason = true;
  }
  d.LabelNotes.push_back(where +
                         (a.Set == b.Set ? "elements of " + a.Set
                                         : "set " + a.Set + " became " + b.Set) +
                         " changed: " + ElementChangesText(c));
  d.ElementChanges.push_back(std::move(c));
}

}  // namespace

void AddRename(THeadDiff& d, const std::string& from, const std::string& to) {
  const TRename r{from, to};
  if (std::find(d.Renames.begin(), d.Renames.end(), r) == d.Renames.end()) d.Renames.push_back(r);
}

std::string ElementChangesText(const TElementChanges& c) {
  std::vector<std::string> parts;
  std::vector<std::string> renamed;
  for (const auto& [from, to] : c.Renamed) renamed.push_back(from + " -> " + to);
  if (!renamed.empty()) parts.push_back("renamed " + NameList(renamed));
  if (!c.Added.empty()) parts.push_back("added " + NameList(c.Added));
  if (!c.Removed.empty()) parts.push_back("removed " + NameList(c.Removed));
  if (c.Reordered) parts.push_back("reordered");
  if (parts.empty()) parts.push_back("no element in common");
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : ", ") + p;
  return s;
}

void DiffRealLabels(const THeaderRec& o, const THeaderRec& n, THeadDiff& d, TCellMatch& match) {
  const std::vector<TDimInfo> od = DimInfos(o);
  const std::vector<TDimInfo> nd = DimInfos(n);
  std::vector<std::vector<int32_t>> maps(od.size());
  bool matched = false;
  for (size_t k = 0; k < od.size() && k < nd.size(); ++k) {
    DiffDimension(k, od[k], nd[k], d, maps[k]);
    matched = matched || !maps[k].empty();
  }
  if (!matched || !d.NotComparable.empty() || od.size() != nd.size()) return;
  // The dimensions whose elements stayed pair their slots in order.
  for (size_t k = 0; k < od.size(); ++k) {
    if (maps[k].empty()) {
      for (int32_t i = 0; i < od[k].Size; ++i) maps[k].push_back(i < nd[k].Size ? i : -1);
    }
    match.NewSizes.push_back(nd[k].Size);
  }
  match.Maps = std::move(maps);
}

}  // namespace modrask::harinfo
