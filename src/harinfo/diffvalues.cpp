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

// The same stored value: the same integer, or the same bits of a real (so
// NaN differs from the mark 424242 and from a NaN of another payload, and
// -0 from 0).
bool SameValue(const TCellValues& a, int64_t p, const TCellValues& b, int64_t q) {
  if (a.IsInteger() || b.IsInteger()) return a.At(p) == b.At(q);
  return std::memcmp(a.Reals() + p, b.Reals() + q, sizeof(float)) == 0;
}

// Two values of other bits that the options count as equal.
bool Absorbed(const TDiffOptions& o, double x, double y) {
  if (std::isnan(x) || std::isnan(y)) return o.NanEqual && std::isnan(x) && std::isnan(y);
  return o.Tolerant && std::fabs(y - x) <= o.Abs + o.Rel * std::fabs(x);
}

std::string NumberText(double v, bool integer) {
  return integer ? std::to_string(static_cast<int64_t>(v)) : FloatText(static_cast<float>(v));
}

// The differing cells of one header as they are found: counted, the largest
// kept, the listed ones kept in a heap of at most Cells or handed out.
class TCellCollector {
 public:
  TCellCollector(const THeaderRec& head, const TDiffOptions& o, THeadDiff& d)
      : dims_(DimInfos(head)), o_(o), d_(d) {}

  void Numeric(int64_t p, double x, double y, bool integer) {
    double abs = std::fabs(y - x);
    if (std::isnan(abs)) abs = HUGE_VAL;
    double rel = x == 0 ? (abs == 0 ? 0 : HUGE_VAL) : abs / std::fabs(x);
    if (std::isnan(rel)) rel = HUGE_VAL;
    const TFound f{p, x, y, abs, rel, integer};
    if (d_.CellsDiffering++ == 0) {
      NoteCell(p, NumberText(x, integer), NumberText(y, integer));
      d_.FirstNumeric = true;
      d_.FirstInteger = integer;
      d_.FirstOldNumber = x;
      d_.FirstNewNumber = y;
      maxAbs_ = f;
      maxRel_ = f;
    }
    if (abs > maxAbs_.Abs) maxAbs_ = f;
    if (rel > maxRel_.Rel) maxRel_ = f;
    d_.MaxAbsDifference = std::max(d_.MaxAbsDifference, abs);
    if (o_.Cells == AllCells && o_.Sink) {
      o_.Sink(d_.Name, Made(f));
    } else if (o_.Cells == AllCells) {
      d_.Listed.push_back(Made(f));
    } else if (o_.Cells > 0) {
      kept_.push_back(f);
      std::push_heap(kept_.begin(), kept_.end(), Order());
      if (static_cast<int64_t>(kept_.size()) > o_.Cells) {
        std::pop_heap(kept_.begin(), kept_.end(), Order());
        kept_.pop_back();
      }
    }
  }

  // A differing string of a character header: listed in file order.
  void Text(int64_t p, const std::string& a, const std::string& b) {
    if (d_.CellsDiffering++ == 0) NoteCell(p, a, b);
    if (o_.Cells == 0) return;
    TCellDiff c;
    c.Cell = CellNames(dims_, p);
    c.Old = a;
    c.New = b;
    if (o_.Cells == AllCells && o_.Sink) {
      o_.Sink(d_.Name, c);
    } else if (o_.Cells == AllCells || static_cast<int64_t>(d_.Listed.size()) < o_.Cells) {
      d_.Listed.push_back(std::move(c));
    }
  }

  void Finish() {
    d_.Values = d_.CellsDiffering == 0 ? TValuesVerdict::Equal : TValuesVerdict::Differ;
    if (d_.CellsDiffering == 0 || !d_.FirstNumeric) return;
    d_.MaxAbs = Made(maxAbs_);
    d_.MaxRel = Made(maxRel_);
    std::sort_heap(kept_.begin(), kept_.end(), Order());
    for (const TFound& f : kept_) d_.Listed.push_back(Made(f));
  }

 private:
  struct TFound {
    int64_t P = 0;
    double Old = 0;
    double New = 0;
    double Abs = 0;
    double Rel = 0;
    bool Integer = false;
  };
  // Ordered largest difference first, the earlier cell first among equals.
  struct Better {
    bool ByRel = false;
    bool operator()(const TFound& a, const TFound& b) const {
      const double x = ByRel ? a.Rel : a.Abs;
      const double y = ByRel ? b.Rel : b.Abs;
      return x > y || (x == y && a.P < b.P);
    }
  };
  Better Order() const { return {o_.ByRel}; }

  void NoteCell(int64_t p, std::string oldText, std::string newText) {
    d_.FirstCell = CellNames(dims_, p);
    d_.FirstOld = std::move(oldText);
    d_.FirstNew = std::move(newText);
  }

  TCellDiff Made(const TFound& f) const {
    TCellDiff c;
    c.Cell = CellNames(dims_, f.P);
    c.Old = NumberText(f.Old, f.Integer);
    c.New = NumberText(f.New, f.Integer);
    c.Numeric = true;
    c.Integer = f.Integer;
    c.OldNumber = f.Old;
    c.NewNumber = f.New;
    c.Abs = f.Abs;
    c.Rel = f.Rel;
    return c;
  }

  std::vector<TDimInfo> dims_;
  const TDiffOptions& o_;
  THeadDiff& d_;
  TFound maxAbs_;
  TFound maxRel_;
  std::vector<TFound> kept_;
};

void DiffStrings(const THeaderRec& o, const THeaderRec& n, TCellCollector& cells) {
  const auto text = [](const THeaderRec& h, int32_t i) {
    const bool there = h.StringRec != nullptr && static_cast<size_t>(i) < h.StringRec->size();
    return there ? TrimmedString((*h.StringRec)[static_cast<size_t>(i)]) : std::string();
  };
  for (int32_t i = 1; i <= o.NStrings; ++i) {
    const std::string a = text(o, i);
    const std::string b = text(n, i);
    if (a != b) cells.Text(i - 1, a, b);
  }
}

// One pair of cells: equal bits, absorbed by the tolerance, or differing.
void Compare(const TCellValues& a, int64_t p, const TCellValues& b, int64_t q,
             const TDiffOptions& o, TCellCollector& cells, THeadDiff& d) {
  if (SameValue(a, p, b, q)) return;
  const double x = a.At(p);
  const double y = b.At(q);
  if (Absorbed(o, x, y)) {
    ++d.CellsAbsorbed;
  } else {
    cells.Numeric(p, x, y, a.IsInteger());
  }
}

// Cells paired by element name: OLD's cells in order, each found in NEW
// through the maps; the cells of elements in one file only counted apart.
void CompareMatched(const TCellValues& a, const TCellValues& b, const TCellMatch& match,
                    const TDiffOptions& o, TCellCollector& cells, THeadDiff& d) {
  const size_t nd = match.Maps.size();
  std::vector<int64_t> stride(nd, 1);
  for (size_t k = 1; k < nd; ++k) stride[k] = stride[k - 1] * match.NewSizes[k - 1];
  std::vector<size_t> at(nd, 0);
  int64_t shared = 0;
  for (int64_t p = 0; p < a.Count(); ++p) {
    int64_t q = 0;
    for (size_t k = 0; k < nd && q >= 0; ++k) {
      const int32_t slot = at[k] < match.Maps[k].size() ? match.Maps[k][at[k]] : -1;
      q = slot < 0 ? -1 : q + slot * stride[k];
    }
    if (q < 0 || q >= b.Count()) {
      ++d.CellsOnlyOld;
    } else {
      ++shared;
      Compare(a, p, b, q, o, cells, d);
    }
    for (size_t k = 0; k < nd && ++at[k] == match.Maps[k].size(); ++k) at[k] = 0;
  }
  d.CellsOnlyNew = std::max<int64_t>(b.Count() - shared, 0);  // an element twice in OLD
}

}  // namespace

bool CellsDiffer(const TCellValues& a, int64_t p, const TCellValues& b, int64_t q,
                 const TDiffOptions& o) {
  return !SameValue(a, p, b, q) && !Absorbed(o, a.At(p), b.At(q));
}

bool DiffHeaderValues(THeaderRec* oldHead, THeaderRec* newHead, TRawFiles& raw,
                      const TDiffOptions& options, const TCellMatch& match, THeadDiff& d,
                      std::string& msg) {
  d.Values = TValuesVerdict::Equal;
  TCellCollector cells(*oldHead, options, d);
  if (oldHead->HeadType == "1C") {
    DiffStrings(*oldHead, *newHead, cells);
    cells.Finish();
    return true;
  }
  if (match.Maps.empty() && BytesDecide(*oldHead, *newHead)) {
    bool same = false;
    if (!SameRecordBytes(oldHead->Values, newHead->Values, raw, same, msg)) return false;
    if (same) return true;
  }
  // Decoded one header at a time: memory stays bounded by the largest pair.
  TCellValues a;
  if (!a.Load(oldHead, msg)) return FailedIn(oldHead->Values, msg);
  TCellValues b;
  if (!b.Load(newHead, msg)) return FailedIn(newHead->Values, msg);
  if (!match.Maps.empty()) {
    CompareMatched(a, b, match, options, cells, d);
  } else {
    const int64_t count = std::min(a.Count(), b.Count());
    for (int64_t p = 0; p < count; ++p) Compare(a, p, b, p, options, cells, d);
    if (a.Count() != b.Count()) d.CellsDiffering += std::max(a.Count(), b.Count()) - count;
  }
  cells.Finish();
  return true;
}

}  // namespace modrask::harinfo
