// Makes examples/sample.har, the sample file of the README, with the
// project's own writer: three sets defined by character headers, labelled
// real arrays of 1 to 4 dimensions over them (stored FULL and SPSE), an
// integer matrix and a history. The output is the same on every run.
// Usage: make_sample FILE
#include <cstdio>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/har/realwrite.h"
#include "modrask/records/lheyfile.h"

using namespace modrask;

namespace {

struct TSample {
  std::string Name;
  std::vector<std::string> Elements;
};

const TSample Reg{"REG", {"NORTH", "SOUTH", "EAST", "WEST", "CENTRE"}};
const TSample Com{"COM", {"AGRI", "MANU", "SERV"}};
const TSample Marg{"MARG", {"TRADE", "TRANSPORT"}};

bool MakeList(const std::vector<std::string>& names, PStrVec& v, std::string& msg) {
  const auto n = static_cast<int32_t>(names.size());
  if (!AllocPStrVec(v, n, msg)) return false;
  for (int32_t i = 1; i <= n; ++i) (*v)[i] = names[i - 1];
  return true;
}

bool AddSetHeader(THarData& h, const std::string& name, const TSample& set,
                  const std::string& description, std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = "Set " + set.Name + " " + description;
  head->HeadType = "1C";
  head->StorageMethod = "FULL";
  head->NStrings = static_cast<int32_t>(set.Elements.size());
  head->LenString = 12;
  head->OrigNDim = 1;
  head->Dims.fill(1);
  if (!MakeList(set.Elements, head->StringRec, msg)) return false;
  h.Heads.push_back(std::move(head));
  return true;
}

// A real array over `sets` (dimension 1 first) whose value at Fortran
// position p (from 1) is value(p); zero values make the writer store it SPSE.
template <class F>
bool AddArray(THarData& h, const std::string& name, const std::string& longName,
              const std::vector<const TSample*>& sets, F value, std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = longName;
  head->HeadType = "RE";
  head->StorageMethod = "FULL";
  head->OrigNDim = static_cast<int32_t>(sets.size());
  head->Dims.fill(1);
  TREDetails& d = head->REDetails;
  d.acdim = head->OrigNDim;
  d.acdmkn = true;
  d.stknow = true;
  d.ArrayName = name;
  for (int k = 1; k <= head->OrigNDim; ++k) {
    const TSample& set = *sets[k - 1];
    head->Dims[8 - k] = static_cast<int32_t>(set.Elements.size());
    PStrVec elements;
    if (!MakeList(set.Elements, elements, msg)) return false;
    SetHeadSet(*head, k, set.Name, std::move(elements));
  }
  if (!AllocMat7(head->HeadMat, head->Dims, msg)) return false;
  TValues& values = *head->HeadMat.Root;
  for (size_t p = 0; p < values.size(); ++p) values[p] = value(static_cast<int>(p + 1));
  h.Heads.push_back(std::move(head));
  return true;
}

bool AddIntegers(THarData& h, std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = "YEAR";
  head->LongName = "Base and target years by scenario";
  head->HeadType = "2I";
  head->StorageMethod = "FULL";
  head->NRows = 2;
  head->NCols = 3;
  head->OrigNDim = 2;
  head->Dims.fill(1);
  head->Dims[7] = 2;
  head->Dims[6] = 3;
  if (!AllocArr4(head->IntData, 2, 3, msg)) return false;
  for (int32_t c = 1; c <= 3; ++c) {
    head->IntData->At(1, c) = 2020;
    head->IntData->At(2, c) = 2030 + 5 * c;
  }
  h.Heads.push_back(std::move(head));
  return true;
}

bool MakeSample(const std::string& file, std::string& msg) {
  THarData h;
  h.Flavour = TFileFlavour::NewFujitsu;
  if (!AddSetHeader(h, "REG", Reg, "Regions of the world", msg)) return false;
  if (!AddSetHeader(h, "COM", Com, "Commodities", msg)) return false;
  if (!AddSetHeader(h, "MAR", Marg, "Margin commodities", msg)) return false;
  if (!AddArray(
          h, "POP", "Population by region (millions)", {&Reg},
          [](int p) { return 10.0f * static_cast<float>(p); }, msg)) {
    return false;
  }
  if (!AddArray(
          h, "PROD", "Output by commodity and region", {&Com, &Reg},
          [](int p) { return 1.5f * static_cast<float>(p); }, msg)) {
    return false;
  }
  // Flows between regions: only every seventh entry is non-zero.
  if (!AddArray(
          h, "TRAD", "Trade by commodity, source and destination", {&Com, &Reg, &Reg},
          [](int p) { return p % 7 == 0 ? static_cast<float>(p) / 4.0f : 0.0f; }, msg)) {
    return false;
  }
  if (!AddArray(
          h, "MRGN", "Margins on trade flows", {&Marg, &Com, &Reg, &Reg},
          [](int p) { return p % 11 == 0 ? 0.125f * static_cast<float>(p) : 0.0f; }, msg)) {
    return false;
  }
  if (!AddIntegers(h, msg)) return false;
  if (!AddHistoryLines(&h, {"Sample file made by make_sample for the README"}, msg)) return false;
  // A fixed time and the sparse threshold of the default settings, so that
  // every run writes the same bytes whatever the user's settings.
  const TWriteOptions options{.ForceDefaultFlavour = true, .SparseThreshold = 60};
  return WriteHarFile(file, "make_sample", "00:00:00", &h, options, msg);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::puts("usage: make_sample FILE");
    return 1;
  }
  std::string msg;
  if (!MakeSample(argv[1], msg)) {
    std::printf("Error: %s\n", msg.c_str());
    return 1;
  }
  std::printf("Wrote %s\n", argv[1]);
  return 0;
}
