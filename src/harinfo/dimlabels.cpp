#include "harinfo/dimlabels.h"

#include <algorithm>

#include "modrask/support/blanks.h"

namespace modrask::harinfo {

namespace {

std::vector<TDimInfo> RealDims(const THeaderRec& head) {
  const TREDetails& re = head.REDetails;
  const int32_t nDim = std::clamp(head.OrigNDim, 0, 7);
  const int32_t labelled = std::clamp(re.acdim, 0, 7);
  std::vector<TDimInfo> dims(static_cast<size_t>(nDim));
  for (int k = 1; k <= nDim; ++k) {
    TDimInfo& d = dims[static_cast<size_t>(k - 1)];
    d.Size = head.Dims[8 - k];
    if (k > labelled) continue;
    d.Set = TrimBlanks(re.StName[k]);
    if (d.Set.empty()) continue;
    const PStrVec& elements = head.SetElements[8 - k];
    const bool listed = elements != nullptr && elements->size() > static_cast<size_t>(d.Size);
    if (re.RDelst[k] == 'e') {
      if (elements != nullptr && elements->size() > 1) d.Element = TrimBlanks((*elements)[1]);
      if (d.Element.empty()) d.Element = "?";
    } else if (re.RDelst[k] == 'k' && listed) {
      d.Elements = elements.get();
    }
  }
  return dims;
}

}  // namespace

bool IsRealArray(const THeaderRec& head) {
  return head.HeadType == "RE" || head.HeadType == "RL";
}

std::string StoredType(const THeaderRec& head) {
  return head.FileType.empty() ? head.HeadType : head.FileType;
}

std::string StoredStorage(const THeaderRec& head) {
  if (!IsRealArray(head)) return {};
  if (head.Values.InFile()) return head.Values.Sparse ? "SPSE" : "FULL";
  return head.StorageMethod;
}

std::vector<TDimInfo> DimInfos(const THeaderRec& head) {
  if (head.HeadType == "2I")
    return {TDimInfo{{}, {}, head.NRows, nullptr}, {{}, {}, head.NCols, nullptr}};
  if (head.HeadType == "1C") return {TDimInfo{{}, {}, head.NStrings, nullptr}};
  return RealDims(head);
}

std::string DimsText(const THeaderRec& head) {
  if (head.HeadType == "1C") {
    return std::to_string(head.NStrings) + " strings of " + std::to_string(head.LenString);
  }
  const std::vector<TDimInfo> dims = DimInfos(head);
  if (dims.empty()) return "1";
  const bool anyLabel =
      std::any_of(dims.begin(), dims.end(), [](const TDimInfo& d) { return d.Labelled(); });
  std::string names;
  std::string sizes;
  for (const TDimInfo& d : dims) {
    if (!sizes.empty()) {
      names += '*';
      sizes += 'x';
    }
    sizes += std::to_string(d.Size);
    names += d.Labelled() ? d.Set : std::to_string(d.Size);
    if (d.Single()) names += "(" + d.Element + ")";
  }
  return anyLabel ? names + " " + sizes : sizes;
}

std::string CellName(const TDimInfo& dim, int32_t index) {
  if (dim.Single()) return dim.Element;
  if (dim.Elements != nullptr)
    return std::string(TrimBlanks((*dim.Elements)[static_cast<size_t>(index)]));
  return std::to_string(index);
}

std::string DimTitle(const TDimInfo& dim, int k) {
  return dim.Labelled() ? dim.Set : "dim" + std::to_string(k);
}

std::vector<std::string> ColumnTitles(const THeaderRec& head) {
  const std::vector<TDimInfo> dims = DimInfos(head);
  std::vector<std::string> titles;
  for (size_t k = 0; k < dims.size(); ++k) {
    const int position = static_cast<int>(k + 1);
    std::string title =
        head.HeadType == "2I" ? (k == 0 ? "row" : "col") : DimTitle(dims[k], position);
    // Seven titles at most: a linear search is the cheapest.
    const auto taken = [&titles](const std::string& t) {
      return std::find(titles.begin(), titles.end(), t) != titles.end();
    };
    if (taken(title)) title += "_" + std::to_string(position);
    while (taken(title)) title += "_";
    titles.push_back(std::move(title));
  }
  return titles;
}

std::vector<std::string> CellNames(const std::vector<TDimInfo>& dims, int64_t p) {
  std::vector<std::string> names;
  names.reserve(dims.size());
  for (const TDimInfo& d : dims) {
    const int64_t size = std::max(d.Size, 1);
    names.push_back(CellName(d, static_cast<int32_t>(p % size) + 1));
    p /= size;
  }
  return names;
}

int64_t CellCount(const std::vector<TDimInfo>& dims) {
  int64_t n = 1;
  for (const TDimInfo& d : dims) n *= std::max(d.Size, 0);
  return n;
}

std::string TrimmedString(const std::string& s) {
  return std::string(TrimTrailingBlanks(s));
}

}  // namespace modrask::harinfo
