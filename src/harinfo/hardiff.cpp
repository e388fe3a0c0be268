#include "harinfo/hardiff.h"

#include <algorithm>
#include <unordered_map>

#include "harinfo/difflabels.h"
#include "harinfo/dimlabels.h"
#include "harinfo/historyinfo.h"
#include "harinfo/infofile.h"
#include "modrask/sets/harsets.h"

namespace modrask::harinfo {

namespace {

// The set a character header defines, or empty; `rest` is its description.
std::string DefinedSet(const THeaderRec& h, std::string& rest) {
  std::string setName;
  rest.clear();
  if (h.LenString > static_cast<int32_t>(SetNameLen)) return setName;
  ParseSetLabel(h.LongName, h.NStrings, h, rest, setName);
  return setName;
}

void DiffLongNames(const THeaderRec& o, const THeaderRec& n, THeadDiff& d) {
  if (o.LongName == n.LongName) return;
  if (o.HeadType == "1C" && n.HeadType == "1C") {
    std::string oldRest;
    std::string newRest;
    const std::string oldSet = DefinedSet(o, oldRest);
    const std::string newSet = DefinedSet(n, newRest);
    // A set header whose set was renamed: the rest of the long name stays.
    if (!oldSet.empty() && !newSet.empty() && oldSet != newSet && oldRest == newRest) {
      AddRename(d, oldSet, newSet);
      return;
    }
  }
  d.LongNameEqual = false;
}

// Why the values of two headers of the same type cannot be paired cell by
// cell or element by element; empty when they can.
std::string NotComparable(const THeaderRec& o, const THeaderRec& n, const THeadDiff& d) {
  if (o.HeadType != n.HeadType) return "the types differ";
  if (IsRealArray(o)) {
    if (o.OrigNDim == n.OrigNDim) return {};
    return "OLD has " + std::to_string(o.OrigNDim) +
           (o.OrigNDim == 1 ? " dimension, NEW " : " dimensions, NEW ") +
           std::to_string(n.OrigNDim);
  }
  return d.DimsEqual ? std::string() : "the dimensions differ";
}

bool DiffHead(THeaderRec* o, THeaderRec* n, const TDiffOptions& options, TRawFiles& raw,
              THeadDiff& d, std::string& msg) {
  d.Name = ShownName(*o);
  d.OldType = StoredType(*o);
  d.NewType = StoredType(*n);
  d.OldDims = DimsText(*o);
  d.NewDims = DimsText(*n);
  DiffLongNames(*o, *n, d);
  TCellMatch match;
  if (!PairCells(*o, *n, d, match)) {
    d.Values = TValuesVerdict::NotCompared;
    return true;
  }
  return DiffHeaderValues(o, n, raw, options, match, d, msg);
}

void DiffHistory(const THarData& oldData, const THarData& newData, TFileDiff& diff) {
  const std::vector<std::string> o = HistoryLines(oldData);
  const std::vector<std::string> n = HistoryLines(newData);
  diff.HistoryEqual = o == n;
  if (n.size() >= o.size() && std::equal(o.begin(), o.end(), n.begin())) {
    diff.HistoryAdded.assign(n.begin() + static_cast<std::ptrdiff_t>(o.size()), n.end());
  }
}

// The name of the file a header's values lie in; empty when in memory.
std::string ValueFile(const THarData& h) {
  for (const PHeaderRec& head : h.Heads) {
    if (head->Values.InFile()) return head->Values.File->Name();
  }
  return {};
}

}  // namespace

void TRawFiles::Open(const std::string& oldName, const std::string& newName) {
  for (auto [in, name] : {std::pair{&Old, &oldName}, std::pair{&New, &newName}}) {
    in->rdbuf()->pubsetbuf(nullptr, 0);  // no buffer of its own
    if (!name->empty()) in->open(*name, std::ios::binary);
  }
}

bool TFileDiff::Equal() const {
  return OnlyOld.empty() && OnlyNew.empty() && HistoryEqual &&
         std::all_of(Heads.begin(), Heads.end(), [](const THeadDiff& h) { return h.Equal(); });
}

bool PairCells(const THeaderRec& o, const THeaderRec& n, THeadDiff& d, TCellMatch& match) {
  std::vector<int32_t> oldSizes;
  std::vector<int32_t> newSizes;
  for (const TDimInfo& x : DimInfos(o)) oldSizes.push_back(x.Size);
  for (const TDimInfo& x : DimInfos(n)) newSizes.push_back(x.Size);
  d.DimsEqual = oldSizes == newSizes && o.LenString == n.LenString;
  d.NotComparable = NotComparable(o, n, d);
  if (d.NotComparable.empty() && IsRealArray(o)) DiffRealLabels(o, n, d, match);
  return d.NotComparable.empty();
}

bool DiffHarFiles(THarData& oldData, THarData& newData, const TDiffOptions& options,
                  TFileDiff& diff, std::string& msg) {
  diff = TFileDiff{};
  diff.Options = options;
  diff.Options.Sink = nullptr;
  diff.CellsStreamed = options.Cells == AllCells && options.Sink;
  // A name that occurs more than once pairs its occurrences in order.
  std::unordered_map<std::string, std::vector<THeaderRec*>> newByName;
  for (const PHeaderRec& h : newData.Heads) newByName[h->Name].push_back(h.get());
  std::unordered_map<std::string, size_t> paired;
  TRawFiles raw;
  raw.Open(ValueFile(oldData), ValueFile(newData));
  for (const PHeaderRec& h : oldData.Heads) {
    const std::vector<THeaderRec*>& candidates = newByName[h->Name];
    const size_t i = paired[h->Name]++;
    if (i >= candidates.size()) {
      diff.OnlyOld.push_back(ShownName(*h));
      continue;
    }
    THeadDiff d;
    if (!DiffHead(h.get(), candidates[i], options, raw, d, msg)) return false;
    for (const TRename& r : d.Renames) ++diff.Renames[r];
    diff.Heads.push_back(std::move(d));
  }
  for (const PHeaderRec& h : newData.Heads) {
    const auto found = paired.find(h->Name);
    if (found == paired.end() || found->second == 0) {
      diff.OnlyNew.push_back(ShownName(*h));
    } else {
      --found->second;
    }
  }
  DiffHistory(oldData, newData, diff);
  return true;
}

}  // namespace modrask::harinfo
