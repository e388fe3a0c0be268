#include "harinfo/showheader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>
#include <vector>

#include "harinfo/cellvalues.h"
#include "harinfo/dimlabels.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"
#include "harinfo/texttable.h"

namespace modrask::harinfo {

namespace {

// Elements of a dimension that show names before it counts the rest.
constexpr int32_t ShownElements = 100;

struct TStats {
  int64_t Cells = 0;
  int64_t NonZero = 0;
  int64_t NonFinite = 0;  // NaN and the infinities: counted, not summed
  double Min = 0;
  double Max = 0;
  double Sum = 0;
};

TStats Statistics(const TCellValues& values, int64_t n) {
  TStats s;
  s.Cells = n;
  s.Min = std::numeric_limits<double>::infinity();
  s.Max = -s.Min;
  for (int64_t p = 0; p < n; ++p) {
    const double v = values.At(p);
    if (v != 0) ++s.NonZero;
    if (!std::isfinite(v)) {
      ++s.NonFinite;
      continue;
    }
    s.Min = std::min(s.Min, v);
    s.Max = std::max(s.Max, v);
    s.Sum += v;
  }
  if (n == s.NonFinite) s.Min = s.Max = 0;
  return s;
}

std::string NumberText(const TCellValues& values, double v) {
  return values.IsInteger() ? std::to_string(static_cast<int64_t>(v))
                            : FloatText(static_cast<float>(v));
}

// The sum, accumulated in double precision, as the shortest text that reads
// back as that double.
std::string SumText(const TCellValues& values, double sum) {
  if (values.IsInteger()) return std::to_string(static_cast<int64_t>(sum));
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, sum);
  return std::string(buf, res.ptr);
}

// The cells the preview shows: the first PreviewCells, or where the array
// holds zeros and something else, its first PreviewCells non-zero cells.
std::vector<int64_t> PreviewPositions(const TCellValues& values, const TStats& s,
                                      bool& nonZeroOnly) {
  nonZeroOnly = s.NonZero > 0 && s.NonZero < s.Cells;
  std::vector<int64_t> cells;
  for (int64_t p = 0; p < s.Cells && static_cast<int64_t>(cells.size()) < PreviewCells; ++p) {
    if (!nonZeroOnly || values.At(p) != 0) cells.push_back(p);
  }
  return cells;
}

std::vector<std::string> Strings(const THeaderRec& head, int64_t limit) {
  std::vector<std::string> strings;
  if (head.StringRec == nullptr) return strings;
  const int64_t n =
      std::min<int64_t>({head.NStrings, limit, static_cast<int64_t>(head.StringRec->size()) - 1});
  for (int64_t i = 1; i <= n; ++i)
    strings.push_back(TrimmedString((*head.StringRec)[static_cast<size_t>(i)]));
  return strings;
}

void PrintDimensions(std::ostream& out, const THeaderRec& head) {
  const std::vector<TDimInfo> dims = DimInfos(head);
  if (!IsRealArray(head)) return;
  for (size_t k = 0; k < dims.size(); ++k) {
    const TDimInfo& d = dims[k];
    out << "Dimension " << k + 1 << ": ";
    if (!d.Labelled()) {
      out << "unlabelled, size " << d.Size << '\n';
    } else if (d.Single()) {
      out << "element " << d.Element << " of set " << d.Set << '\n';
    } else if (d.Elements == nullptr) {
      out << "set " << d.Set << " (" << d.Size << "), elements not named in the file\n";
    } else {
      const std::string title = "set " + d.Set + " (" + std::to_string(d.Size) + "):";
      std::vector<std::string> names;
      size_t width = 13 + title.size();
      for (int32_t i = 1; i <= d.Size && i <= ShownElements + 1; ++i) {
        names.push_back(CellName(d, i));
        width += 1 + names.back().size();
      }
      if (width <= 78 && d.Size <= ShownElements) {
        out << title;
        for (const std::string& name : names) out << ' ' << name;
        out << '\n';
      } else {
        // Long lists wrapped as sets has them, the rest counted.
        out << title << '\n';
        for (int32_t i = static_cast<int32_t>(names.size()) + 1; i <= d.Size; ++i) {
          names.emplace_back();  // counted, never printed
        }
        PrintWrapped(out, names, ShownElements);
      }
    }
  }
}

void PrintText(std::ostream& out, const THeaderRec& head, const TCellValues& values,
               const TStats& s) {
  out << "Header: " << ShownName(head) << '\n';
  out << "Type: " << StoredType(head);
  if (IsRealArray(head)) out << ", " << StoredStorage(head);
  out << '\n';
  out << "Long name: " << TrimmedString(head.LongName) << '\n';
  out << "Dimensions: " << DimsText(head) << '\n';
  PrintDimensions(out, head);
  if (head.HeadType == "1C") {
    const std::vector<std::string> strings = Strings(head, PreviewCells);
    out << "Strings (first " << strings.size() << " of " << head.NStrings << "):\n";
    for (const std::string& str : strings) out << "  " << str << '\n';
    return;
  }
  out << "Values: " << s.Cells << " cells, " << s.NonZero << " not zero";
  if (s.NonFinite > 0) out << ", " << s.NonFinite << " not finite";
  out << ", least " << NumberText(values, s.Min) << ", greatest " << NumberText(values, s.Max)
      << ", sum " << SumText(values, s.Sum) << '\n';
  const std::vector<TDimInfo> dims = DimInfos(head);
  bool nonZeroOnly = false;
  const std::vector<int64_t> cells = PreviewPositions(values, s, nonZeroOnly);
  out << "First " << cells.size() << (nonZeroOnly ? " non-zero cells:\n" : " cells:\n");
  std::vector<std::string> titles = ColumnTitles(head);
  titles.emplace_back("Value");
  TTextTable table(titles);
  table.RightAlign(dims.size());
  for (const int64_t p : cells) {
    std::vector<std::string> row = CellNames(dims, p);
    row.push_back(NumberText(values, values.At(p)));
    table.Add(std::move(row));
  }
  table.Print(out);
}

TJson StatsJson(const TCellValues& values, const TStats& s, TJson j) {
  const auto number = [&values](double v) {
    return values.IsInteger() ? TJson(static_cast<int64_t>(v)) : FloatJson(static_cast<float>(v));
  };
  j["cells"] = s.Cells;
  j["nonzero"] = s.NonZero;
  j["nonfinite"] = s.NonFinite;
  j["min"] = number(s.Min);
  j["max"] = number(s.Max);
  j["sum"] = values.IsInteger() ? TJson(static_cast<int64_t>(s.Sum)) : TJson(s.Sum);
  return j;
}

}  // namespace

bool PrintHeader(std::ostream& out, THeaderRec* head, bool json, std::string& msg) {
  TCellValues values;
  if (!values.Load(head, msg)) return false;
  const std::vector<TDimInfo> dims = DimInfos(*head);
  const TStats s = Statistics(values, std::min(values.Count(), CellCount(dims)));
  if (!json) {
    PrintText(out, *head, values, s);
    return true;
  }
  TJson j = HeaderJson(*head, true);
  if (head->HeadType == "1C") {
    j["preview"] = Strings(*head, PreviewCells);
    PrintJson(out, j);
    return true;
  }
  j = StatsJson(values, s, std::move(j));
  bool nonZeroOnly = false;
  const std::vector<int64_t> cells = PreviewPositions(values, s, nonZeroOnly);
  j["preview_nonzero_only"] = nonZeroOnly;
  TJson preview = TJson::array();
  for (const int64_t p : cells) {
    TJson cell;
    cell["cell"] = CellNames(dims, p);
    cell["value"] = values.IsInteger() ? TJson(values.IntAt(p)) : FloatJson(values.Reals()[p]);
    preview.push_back(std::move(cell));
  }
  j["preview"] = std::move(preview);
  PrintJson(out, j);
  return true;
}

}  // namespace modrask::harinfo
