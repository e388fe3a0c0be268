// The values part of the comparison: equal bytes first, decoding where they
// differ.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

#include "harinfo/cellvalues.h"
#include "harinfo/dimlabels.h"
#include "harinfo/hardiff.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

namespace {

constexpr int32_t CompareBlock = int32_t{1} << 20;

bool Changed(const TValuePlace& place, std::string& msg) {
  return Fail(msg, "Input file changed since it was read: " + place.File->Name());
}

// Puts the name of the file that failed before the reader's message.
bool FailedIn(const TValuePlace& place, std::string& msg) {
  if (place.InFile()) msg = place.File->Name() + ": " + msg;
  return false;
}

// Reads [pos, pos + n) of a file straight into `dst`, without a buffer of
// its own. False when the file no longer holds those bytes.
bool ReadRange(std::ifstream& in, int64_t pos, char* dst, int32_t n) {
  in.clear();
  in.seekg(pos);
  return static_cast<bool>(in.read(dst, n));
}

// True in `same` when the data records of both headers are the same bytes.
// Only meaningful in the same framing and storage; false in `same` when the
// ranges differ in length.
bool SameRecordBytes(const TValuePlace& a, const TValuePlace& b, TRawFiles& raw, bool& same,
                     std::string& msg) {
  same = false;
  if (a.End - a.Begin != b.End - b.Begin) return true;
  // Made once per thread and not cleared: a fresh block per header would
  // cost more page faults than the comparison itself.
  thread_local const auto bufA = std::make_unique_for_overwrite<char[]>(CompareBlock);
  thread_local const auto bufB = std::make_unique_for_overwrite<char[]>(CompareBlock);
  for (int64_t done = 0, n = a.End - a.Begin; done < n;) {
    const auto step = static_cast<int32_t>(std::min<int64_t>(CompareBlock, n - done));
    if (!ReadRange(raw.Old, a.Begin + done, bufA.get(), step)) return Changed(a, msg);
    if (!ReadRange(raw.New, b.Begin + done, bufB.get(), step)) return Changed(b, msg);
    if (std::memcmp(bufA.get(), bufB.get(), static_cast<size_t>(step)) != 0) return true;
    done += step;
  }
  same = true;
  return true;
}

bool BytesDecide(const THeaderRec& o, const THeaderRec& n) {
  const TValuePlace& a = o.Values;
  const TValuePlace& b = n.Values;
  return a.InFile() && b.InFile() && !a.Loaded && !b.Loaded && a.Flavour == b.Flavour &&
         a.Sparse == b.Sparse;
}

// Cell p holds the same stored value on both sides: the same integer, or
// the same bits of a real (so NaN differs from the mark 424242 and from a
// NaN of another payload, and -0 from 0).
bool SameValue(const TCellValues& a, const TCellValues& b, int64_t p) {
  if (a.IsInteger() || b.IsInteger()) return a.At(p) == b.At(p);
  return std::memcmp(a.Reals() + p, b.Reals() + p, sizeof(float)) == 0;
}

void NoteCell(const std::vector<TDimInfo>& dims, int64_t p, std::string oldText,
              std::string newText, THeadDiff& d) {
  d.FirstCell = CellNames(dims, p);
  d.FirstOld = std::move(oldText);
  d.FirstNew = std::move(newText);
}

void DiffStrings(const THeaderRec& o, const THeaderRec& n, THeadDiff& d) {
  const std::vector<TDimInfo> dims = DimInfos(o);
  const auto text = [](const THeaderRec& h, int32_t i) {
    const bool there = h.StringRec != nullptr && static_cast<size_t>(i) < h.StringRec->size();
    return there ? TrimmedString((*h.StringRec)[static_cast<size_t>(i)]) : std::string();
  };
  for (int32_t i = 1; i <= o.NStrings; ++i) {
    const std::string a = text(o, i);
    const std::string b = text(n, i);
    if (a == b) continue;
    if (d.CellsDiffering++ == 0) NoteCell(dims, i - 1, a, b, d);
  }
  d.Values = d.CellsDiffering == 0 ? TValuesVerdict::Equal : TValuesVerdict::Differ;
}

std::string ValueText(const TCellValues& v, int64_t p) {
  return v.IsInteger() ? std::to_string(v.IntAt(p)) : FloatText(v.Reals()[p]);
}

}  // namespace

bool DiffHeaderValues(THeaderRec* oldHead, THeaderRec* newHead, TRawFiles& raw, THeadDiff& d,
                      std::string& msg) {
  d.Values = TValuesVerdict::Equal;
  if (oldHead->HeadType == "1C") {
    DiffStrings(*oldHead, *newHead, d);
    return true;
  }
  if (BytesDecide(*oldHead, *newHead)) {
    bool same = false;
    if (!SameRecordBytes(oldHead->Values, newHead->Values, raw, same, msg)) return false;
    if (same) return true;
  }
  // Decoded one header at a time: memory stays bounded by the largest pair.
  TCellValues a;
  if (!a.Load(oldHead, msg)) return FailedIn(oldHead->Values, msg);
  TCellValues b;
  if (!b.Load(newHead, msg)) return FailedIn(newHead->Values, msg);
  const std::vector<TDimInfo> dims = DimInfos(*oldHead);
  const int64_t count = std::min(a.Count(), b.Count());
  for (int64_t p = 0; p < count; ++p) {
    if (SameValue(a, b, p)) continue;
    const double x = a.At(p);
    const double y = b.At(p);
    if (d.CellsDiffering++ == 0) {
      NoteCell(dims, p, ValueText(a, p), ValueText(b, p), d);
      d.FirstNumeric = true;
      d.FirstInteger = a.IsInteger();
      d.FirstOldNumber = x;
      d.FirstNewNumber = y;
    }
    const double gap = std::fabs(x - y);
    d.MaxAbsDifference = std::max(d.MaxAbsDifference, std::isnan(gap) ? HUGE_VAL : gap);
  }
  if (a.Count() != b.Count()) d.CellsDiffering += std::max(a.Count(), b.Count()) - count;
  d.Values = d.CellsDiffering == 0 ? TValuesVerdict::Equal : TValuesVerdict::Differ;
  return true;
}

}  // namespace modrask::harinfo
