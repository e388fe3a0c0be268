#include "seeds_fixture.h"

#include <memory>
#include <utility>

#include "modrask/har/harmodel.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/har/realwrite.h"
#include "modrask/records/lheyfile.h"

namespace modrask::fuzz {
namespace {

struct TSeedSet {
  std::string Name;
  std::vector<std::string> Elements;
};

const TSeedSet Reg{"REG", {"NORTH", "SOUTH", "EAST"}};
const TSeedSet Com{"COM", {"AGRI", "SERV"}};

bool MakeList(const std::vector<std::string>& names, PStrVec& v, std::string& msg) {
  const auto n = static_cast<int32_t>(names.size());
  if (!AllocPStrVec(v, n, msg)) return false;
  for (int32_t i = 1; i <= n; ++i) (*v)[static_cast<size_t>(i)] = names[static_cast<size_t>(i - 1)];
  return true;
}

PHeaderRec NewHead(const std::string& name, const std::string& longName, const std::string& type) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = longName;
  head->HeadType = type;
  head->StorageMethod = "FULL";
  head->Dims.fill(1);
  return head;
}

bool AddStrings(THarData& h, const std::string& name, const std::string& longName,
                const std::vector<std::string>& strings, int32_t len, std::string& msg) {
  PHeaderRec head = NewHead(name, longName, "1C");
  head->NStrings = static_cast<int32_t>(strings.size());
  head->LenString = len;
  head->OrigNDim = 1;
  if (!MakeList(strings, head->StringRec, msg)) return false;
  h.Heads.push_back(std::move(head));
  return true;
}

bool AddSetHeader(THarData& h, const std::string& name, const TSeedSet& set, std::string& msg) {
  return AddStrings(h, name, "Set " + set.Name + " seed set", set.Elements, 12, msg);
}

// One dimension of a real array: a set with its elements, a set of `size`
// elements without names (sets == nullptr), or one element of a set.
struct TDim {
  const TSeedSet* Set = nullptr;
  std::string Name;  // the set's name when Set is null
  int32_t Size = 1;
  int32_t Element = 0;  // from 1: a single element of Set
};

TDim Known(const TSeedSet& set) {
  return TDim{&set, "", 0, 0};
}
TDim Unknown(const std::string& name, int32_t size) {
  return TDim{nullptr, name, size, 0};
}
TDim Single(const TSeedSet& set, int32_t element) {
  return TDim{&set, "", 1, element};
}

// A real array over `dims` whose value at Fortran position p (from 1) is
// value(p); mostly zero values make the writer store it SPSE. No dimensions:
// an unlabelled array of `plainSize` values.
template <class F>
bool AddReal(THarData& h, const std::string& name, const std::vector<TDim>& dims, int32_t plainSize,
             F value, std::string& msg) {
  PHeaderRec head = NewHead(name, "Seed array " + name, dims.empty() ? "RL" : "RE");
  if (dims.empty()) {
    head->OrigNDim = 1;
    head->Dims[7] = plainSize;
  } else {
    head->OrigNDim = static_cast<int32_t>(dims.size());
    TREDetails& d = head->REDetails;
    d.acdim = head->OrigNDim;
    d.acdmkn = true;
    d.stknow = true;
    d.ArrayName = name;
    for (int k = 1; k <= head->OrigNDim; ++k) {
      const TDim& dim = dims[static_cast<size_t>(k - 1)];
      if (dim.Element > 0) {
        d.RDelst[k] = 'e';
        d.elno[k] = dim.Element;
        // Single-element names are listed in the order of their dimensions.
        d.eltnam[static_cast<size_t>(++d.NEltrd)] =
            dim.Set->Elements[static_cast<size_t>(dim.Element - 1)];
        head->Dims[8 - k] = 1;
        SetHeadSet(*head, k, dim.Set->Name, nullptr);
        continue;
      }
      PStrVec elements;
      if (dim.Set != nullptr) {
        head->Dims[8 - k] = static_cast<int32_t>(dim.Set->Elements.size());
        if (!MakeList(dim.Set->Elements, elements, msg)) return false;
      } else {
        head->Dims[8 - k] = dim.Size;
      }
      SetHeadSet(*head, k, dim.Set != nullptr ? dim.Set->Name : dim.Name, std::move(elements));
    }
  }
  if (!AllocMat7(head->HeadMat, head->Dims, msg)) return false;
  TValues& values = *head->HeadMat.Root;
  for (size_t p = 0; p < values.size(); ++p) values[p] = value(static_cast<int>(p + 1));
  h.Heads.push_back(std::move(head));
  return true;
}

bool AddIntegers(THarData& h, const std::string& name, int32_t rows, int32_t cols,
                 std::string& msg) {
  PHeaderRec head = NewHead(name, "Seed integers " + name, "2I");
  head->NRows = rows;
  head->NCols = cols;
  head->OrigNDim = 2;
  head->Dims[7] = rows;
  head->Dims[6] = cols;
  if (!AllocArr4(head->IntData, rows, cols, msg)) return false;
  for (int32_t c = 1; c <= cols; ++c) {
    for (int32_t r = 1; r <= rows; ++r) head->IntData->At(r, c) = 100 * c + r;
  }
  h.Heads.push_back(std::move(head));
  return true;
}

float Linear(int p) {
  return 0.5f * static_cast<float>(p);
}
float MostlyZero(int p) {
  return p % 5 == 0 ? static_cast<float>(p) : 0.0f;
}

// Small files of every kind the writer makes.
bool FillSmall(THarData& h, std::string& msg) {
  return AddSetHeader(h, "REG", Reg, msg) && AddSetHeader(h, "COM", Com, msg) &&
         AddReal(h, "POP", {Known(Reg)}, 0, Linear, msg) &&
         AddReal(h, "PROD", {Known(Com), Known(Reg)}, 0, Linear, msg) &&
         AddReal(h, "TRAD", {Known(Com), Known(Reg), Known(Reg)}, 0, MostlyZero, msg) &&
         AddIntegers(h, "YEAR", 2, 3, msg) &&
         AddHistoryLines(&h, {"Seed file with sets, arrays and integers"}, msg);
}

bool FillLabels(THarData& h, std::string& msg) {
  return AddSetHeader(h, "REG", Reg, msg) &&
         AddReal(h, "UNKN", {Known(Com), Unknown("YR", 3)}, 0, Linear, msg) &&
         AddReal(h, "ELEM", {Single(Reg, 2), Known(Com)}, 0, Linear, msg) &&
         AddReal(h, "PLN", {}, 4, Linear, msg) &&
         AddStrings(h, "NOTE", "Free text, not a set", {"a longer line of text", "", "x"}, 30, msg);
}

// Headers of several records: FULL chunks, SPSE blocks and matrix records.
bool FillLarge(THarData& h, std::string& msg) {
  return AddReal(h, "BIGF", {}, 7003, Linear, msg) &&
         AddReal(h, "BIGS", {}, 12000, MostlyZero, msg) && AddIntegers(h, "BIGI", 3, 2334, msg);
}

bool FillEmpty(THarData&, std::string&) {
  return true;
}

}  // namespace

bool MakeSeedFiles(const std::string& dir, std::vector<std::string>& files, std::string& msg) {
  using Fill = bool (*)(THarData&, std::string&);
  const std::pair<const char*, Fill> kinds[] = {
      {"small", FillSmall}, {"labels", FillLabels}, {"large", FillLarge}, {"empty", FillEmpty}};
  const TWriteOptions inOwnFraming{.SparseThreshold = 60};
  bool ok = true;
  for (const TFileFlavour flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    for (const auto& [kind, fill] : kinds) {
      THarData h;
      h.Flavour = flavour;
      const std::string path =
          dir + "/" + kind + (flavour == TFileFlavour::OldLahey ? "_old.har" : "_new.har");
      ok = fill(h, msg) && WriteHarFile(path, "make_seeds", "00:00:00", &h, inOwnFraming, msg);
      if (!ok) {
        msg = path + ": " + msg;
        break;
      }
      files.push_back(path);
    }
    if (!ok) break;
  }
  return ok;
}

}  // namespace modrask::fuzz
