// Header Array data shaped like the large databases Mardex meets, for the
// benchmark and for tests: some hundreds of sets defined by character
// headers, about a thousand labelled real arrays of 2 to 5 dimensions over
// them (two thirds dense, one third sparse at 1 % to 35 %), a few integer
// matrices; or 10,050 small headers. The same data on every run.
#include "benchgen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"
#include "modrask/support/newdim.h"

namespace modrask::bench {

namespace {

// A small fixed-seed generator (xorshift64*): fast enough for a billion
// cells, and the same sequence everywhere.
struct TRandom {
  uint64_t s = 0x9E3779B97F4A7C15ull;
  uint64_t Next() {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s * 2685821657736338717ull;
  }
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  int64_t Between(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }
  // A non-zero value of a few significant digits.
  float Value() { return static_cast<float>(1 + Next() % 999999) / 64.0f; }
};

struct TBenchSet {
  std::string Name;
  int32_t Size = 0;
};


// A header name of 4 characters: a letter, then `i` in base 36.
std::string HeadName(char first, int64_t i) {
  static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string name(4, '0');
  name[0] = first;
  for (int k = 3; k >= 1; --k) {
    name[static_cast<size_t>(k)] = digits[i % 36];
    i /= 36;
  }
  return name;
}

std::string SetName(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "ST%03d", i);
  return text;
}

bool ElementList(const TBenchSet& set, PStrVec& v, std::string& msg) {
  if (!AllocPStrVec(v, set.Size, msg)) return false;
  for (int32_t i = 1; i <= set.Size; ++i) (*v)[static_cast<size_t>(i)] = "e" + std::to_string(i);
  return true;
}

bool AddSetHeader(THarData& h, const std::string& name, const TBenchSet& set, std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = "Set " + set.Name + " benchmark set of " + std::to_string(set.Size);
  head->HeadType = "1C";
  head->StorageMethod = "FULL";
  head->NStrings = set.Size;
  head->LenString = 12;
  head->OrigNDim = 1;
  head->Dims.fill(1);
  if (!ElementList(set, head->StringRec, msg)) return false;
  h.Heads.push_back(std::move(head));
  return true;
}

// A real array over `sets` (dimension 1 first), dense, or sparse with the
// given share of non-zero cells.
bool AddArray(THarData& h, const std::string& name, const std::vector<const TBenchSet*>& sets,
              double density, TRandom& rnd, TBenchTotals& totals, std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = "Benchmark array " + name;
  head->HeadType = "RE";
  head->StorageMethod = "FULL";
  head->OrigNDim = static_cast<int32_t>(sets.size());
  head->Dims.fill(1);
  TREDetails& d = head->REDetails;
  d.acdim = head->OrigNDim;
  d.acdmkn = true;
  d.stknow = true;
  d.ArrayName = name;
  int64_t labelBytes = 0;
  for (int k = 1; k <= head->OrigNDim; ++k) {
    const TBenchSet& set = *sets[static_cast<size_t>(k - 1)];
    head->Dims[static_cast<size_t>(8 - k)] = set.Size;
    PStrVec elements;
    if (!ElementList(set, elements, msg)) return false;
    SetHeadSet(*head, k, set.Name, std::move(elements));
    labelBytes += 12 * int64_t{set.Size} + 40;
  }
  if (!AllocMat7(head->HeadMat, head->Dims, msg)) return false;
  TValues& values = *head->HeadMat.Root;
  const auto n = static_cast<int64_t>(values.size());
  if (density >= 1.0) {
    for (float& v : values) v = rnd.Value();
    totals.FileBytes += 4 * n;
    ++totals.Dense;
  } else {
    // A cell is non-zero with probability `density`, decided in integers.
    const auto threshold = static_cast<uint64_t>(density * 4294967296.0);
    int64_t nnz = 0;
    for (float& v : values) {
      if ((rnd.Next() >> 32) < threshold) {
        v = rnd.Value();
        ++nnz;
      }
    }
    totals.FileBytes += 8 * nnz;
    ++totals.Sparse;
  }
  totals.Cells += n;
  totals.LargestCells = std::max(totals.LargestCells, n);
  totals.FileBytes += labelBytes + 200;
  h.Heads.push_back(std::move(head));
  return true;
}

bool AddIntegers(THarData& h, const std::string& name, int32_t rows, int32_t cols, TRandom& rnd,
                 std::string& msg) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = name;
  head->LongName = "Benchmark integer matrix " + name;
  head->HeadType = "2I";
  head->StorageMethod = "FULL";
  head->NRows = rows;
  head->NCols = cols;
  head->OrigNDim = 2;
  head->Dims.fill(1);
  head->Dims[7] = rows;
  head->Dims[6] = cols;
  if (!AllocArr4(head->IntData, rows, cols, msg)) return false;
  for (int32_t c = 1; c <= cols; ++c)
    for (int32_t r = 1; r <= rows; ++r)
      head->IntData->At(r, c) = static_cast<int32_t>(rnd.Next() % 100000);
  h.Heads.push_back(std::move(head));
  return true;
}

// Sets whose sizes run from 10 to 5,000, spread evenly on a log scale.
std::vector<TBenchSet> MakeSets(int count, int32_t lo, int32_t hi, TRandom& rnd) {
  std::vector<TBenchSet> sets;
  for (int i = 1; i <= count; ++i) {
    const double t = rnd.Unit();
    const auto size = static_cast<int32_t>(std::lround(
        std::exp(std::log(double(lo)) + t * (std::log(double(hi)) - std::log(double(lo))))));
    sets.push_back({SetName(i), std::clamp(size, lo, hi)});
  }
  return sets;
}

// Chooses 2 to 5 sets whose sizes multiply to about `target` cells.
std::vector<const TBenchSet*> PickSets(const std::vector<TBenchSet>& sets, double target,
                                       TRandom& rnd) {
  int nDims = static_cast<int>(rnd.Between(2, 5));
  while (nDims > 2 && std::pow(10.0, nDims) * 2 > target) --nDims;
  std::vector<const TBenchSet*> picked;
  double left = target;
  for (int k = nDims; k >= 1; --k) {
    const double want = std::pow(std::max(left, 1.0), 1.0 / k);
    // The closest of a few random candidates, so that shapes vary.
    const TBenchSet* best = nullptr;
    for (int c = 0; c < 12; ++c) {
      const TBenchSet& s = sets[static_cast<size_t>(rnd.Between(0, int64_t(sets.size()) - 1))];
      if (std::find(picked.begin(), picked.end(), &s) != picked.end()) continue;
      if (best == nullptr ||
          std::fabs(std::log(s.Size / want)) < std::fabs(std::log(best->Size / want)))
        best = &s;
    }
    if (best == nullptr) best = &sets[0];
    picked.push_back(best);
    left /= best->Size;
  }
  return picked;
}

bool MakeLarge(THarData& h, double targetBytes, TBenchTotals& totals, std::string& msg) {
  TRandom rnd;
  const std::vector<TBenchSet> sets = MakeSets(300, 10, 5000, rnd);
  for (size_t i = 0; i < sets.size(); ++i)
    if (!AddSetHeader(h, HeadName('S', int64_t(i)), sets[i], msg)) return false;
  // About 1,000 arrays: cells chosen so that the dense two thirds carry most
  // of the file and the sparse third at most about as much memory again.
  const double denseCells = 0.5 * targetBytes / 4 / 667;
  const double sparseCells = 0.4 * targetBytes / 4 / 333;
  int64_t i = 0;
  while (static_cast<double>(totals.FileBytes) < targetBytes && i < 9000) {
    const bool sparse = i % 3 == 2;
    const double spread = std::exp((rnd.Unit() - 0.5) * 2.0 * std::log(3.0));  // x1/3 .. x3
    const double target = (sparse ? sparseCells : denseCells) * spread;
    const double density = sparse ? 0.01 + 0.34 * rnd.Unit() : 1.0;
    if (!AddArray(h, HeadName('A', i), PickSets(sets, target, rnd), density, rnd, totals, msg))
      return false;
    ++i;
  }
  for (int m = 0; m < 3; ++m)
    if (!AddIntegers(h, HeadName('I', m), 200, 100 + 50 * m, rnd, msg)) return false;
  return true;
}

// 50 small sets and 10,000 small arrays over them: 10,050 headers.
bool MakeMany(THarData& h, TBenchTotals& totals, std::string& msg) {
  TRandom rnd;
  const std::vector<TBenchSet> sets = MakeSets(50, 3, 20, rnd);
  for (size_t i = 0; i < sets.size(); ++i)
    if (!AddSetHeader(h, HeadName('S', int64_t(i)), sets[i], msg)) return false;
  for (int64_t i = 0; i < MaxHeads - 50; ++i) {
    const TBenchSet* a = &sets[static_cast<size_t>(i % 50)];
    const TBenchSet* b = &sets[static_cast<size_t>((i * 7 + 3) % 50)];
    if (a == b) b = &sets[static_cast<size_t>((i + 1) % 50)];
    const double density = i % 3 == 2 ? 0.2 : 1.0;
    if (!AddArray(h, HeadName('A', i), {a, b}, density, rnd, totals, msg)) return false;
  }
  return true;
}
}  // namespace

bool MakeBenchData(THarData& h, double targetBytes, bool many, TBenchTotals& totals,
                   std::string& msg) {
  return many ? MakeMany(h, totals, msg) : MakeLarge(h, targetBytes, totals, msg);
}

}  // namespace modrask::bench
