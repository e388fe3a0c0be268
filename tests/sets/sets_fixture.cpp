#include "sets/sets_fixture.h"

#include <algorithm>

namespace modrask::testing {

PStrVec Strings(const std::vector<std::string>& names) {
  auto v = std::make_unique<std::vector<std::string>>();
  v->push_back("");
  v->insert(v->end(), names.begin(), names.end());
  return v;
}

std::vector<std::string> Numbered(const std::string& prefix, int n) {
  std::vector<std::string> r;
  for (int i = 1; i <= n; ++i) r.push_back(prefix + std::to_string(i));
  return r;
}

PHeaderRec Make1C(const std::string& name, const std::string& longName,
                  const std::vector<std::string>& strings, int lenString) {
  auto h = std::make_unique<THeaderRec>();
  h->Name = name;
  h->LongName = longName;
  h->HeadType = "1C";
  h->StorageMethod = "FULL";
  h->NStrings = static_cast<int32_t>(strings.size());
  size_t longest = 1;
  for (const auto& s : strings) longest = std::max(longest, s.size());
  h->LenString = lenString >= 0 ? lenString : static_cast<int32_t>(longest);
  h->OrigNDim = 1;
  h->Dims.fill(1);
  h->StringRec = Strings(strings);
  return h;
}

PHeaderRec MakeRE(const std::string& name, const std::string& longName,
                  const std::vector<DimSpec>& dims) {
  auto h = std::make_unique<THeaderRec>();
  h->Name = name;
  h->LongName = longName;
  h->HeadType = "RE";
  h->StorageMethod = "FULL";
  h->Dims.fill(1);
  const int n = static_cast<int>(dims.size());
  h->OrigNDim = n;
  h->REDetails.acdim = n;
  h->REDetails.stknow = true;
  h->REDetails.acdmkn = true;
  for (int k = 1; k <= n; ++k) {
    const DimSpec& d = dims[k - 1];
    h->Dims[8 - k] = d.Size;
    h->SetNames[8 - k] = d.SetName;
    h->REDetails.StName[k] = d.SetName;
    h->REDetails.RDelst[k] = d.Status;
    if (!d.Elements.empty()) h->SetElements[8 - k] = Strings(d.Elements);
  }
  return h;
}

DimSpec Dim(const std::string& setName, int size, const std::string& prefix) {
  return DimSpec{setName, size, 'k', Numbered(prefix, size)};
}

}  // namespace modrask::testing
