#include "harinfo/diffprint.h"

#include <cmath>
#include <charconv>
#include <cstdlib>
#include <ostream>
#include <vector>

#include "harinfo/difflabels.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

namespace {

std::string Plural(size_t n, const std::string& word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string Joined(const std::vector<std::string>& parts, const std::string& gap) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : gap) + p;
  return s;
}

std::string NumberText(double v) {
  const auto f = static_cast<float>(v);
  return static_cast<double>(f) == v ? FloatText(f) : std::to_string(v);
}

// A difference in six significant digits: 1.19209e-07, Inf.
std::string ShortText(double v) {
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
  return std::string(buf, res.ptr);
}

// Tolerances and cell lists ask for the fuller line.
bool Detailed(const TDiffOptions& o) {
  return o.Tolerant || o.NanEqual || o.Cells != 0;
}

std::string AtCell(const TCellDiff& c) {
  return "(" + Joined(c.Cell, ",") + "): " + c.Old + " -> " + c.New;
}

std::string DifferText(const THeadDiff& h, const TDiffOptions& o) {
  std::string s = "values differ in " + Plural(static_cast<size_t>(h.CellsDiffering), "cell");
  if (Detailed(o) && h.FirstNumeric) {
    return s + ", largest absolute difference " + ShortText(h.MaxAbs.Abs) + " at " +
           AtCell(h.MaxAbs) + ", largest relative difference " + ShortText(h.MaxRel.Rel) +
           " at " + AtCell(h.MaxRel);
  }
  if (h.MaxAbsDifference > 0) s += ", largest difference " + NumberText(h.MaxAbsDifference);
  if (!h.FirstCell.empty() || !h.FirstOld.empty() || !h.FirstNew.empty()) {
    s += ", first at (" + Joined(h.FirstCell, ",") + "): " + h.FirstOld + " -> " + h.FirstNew;
  }
  return s;
}

std::string ValuesText(const THeadDiff& h, const TDiffOptions& o) {
  if (h.Values == TValuesVerdict::NotCompared) {
    return "values not compared" + (h.LabelReason ? ": " + h.NotComparable : std::string());
  }
  std::string s = h.Values == TValuesVerdict::Equal ? "values equal" : DifferText(h, o);
  if (h.CellsAbsorbed > 0) s += ", " + Plural(static_cast<size_t>(h.CellsAbsorbed), "cell") +
                                " within tolerance";
  if (h.CellsOnlyOld > 0) s += ", " + Plural(static_cast<size_t>(h.CellsOnlyOld), "cell") +
                               " only in OLD";
  if (h.CellsOnlyNew > 0) s += ", " + Plural(static_cast<size_t>(h.CellsOnlyNew), "cell") +
                               " only in NEW";
  return s;
}

std::string HeadLine(const THeadDiff& h, const TDiffOptions& o) {
  if (h.Equal()) return h.Name + ": equal";
  std::vector<std::string> parts;
  if (!h.TypeEqual()) parts.push_back("type " + h.OldType + " -> " + h.NewType);
  if (!h.DimsEqual) parts.push_back("dimensions " + h.OldDims + " -> " + h.NewDims);
  for (const TRename& r : h.Renames) parts.push_back("set " + r.first + " renamed to " + r.second);
  for (const std::string& note : h.LabelNotes) parts.push_back(note);
  if (!h.LongNameEqual) parts.push_back("long name differs");
  parts.push_back(ValuesText(h, o));
  return h.Name + ": " + Joined(parts, "; ");
}

}  // namespace

bool ParseTolerance(const std::string& text, double& v) {
  char* end = nullptr;
  v = std::strtod(text.c_str(), &end);
  return !text.empty() && end == text.c_str() + text.size() && std::isfinite(v) && v >= 0;
}

std::string ToleranceText(const TDiffOptions& o) {
  std::string s = o.Tolerant ? "|new - old| <= " + ShortText(o.Abs) + " + " + ShortText(o.Rel) +
                                   " x |old|"
                             : "exact";
  return o.NanEqual ? s + ", NaN equals NaN" : s;
}

std::string CellLine(const std::string& head, const TCellDiff& c) {
  std::string s = head + AtCell(c);
  if (c.Numeric) s += ", difference " + ShortText(c.Abs) + ", relative " + ShortText(c.Rel);
  return s;
}

std::string DiffSummary(const TFileDiff& diff) {
  const TDiffOptions& o = diff.Options;
  int64_t absorbed = 0;
  for (const THeadDiff& h : diff.Heads) absorbed += h.CellsAbsorbed;
  const std::string tolerance =
      o.Tolerant || o.NanEqual ? "tolerance " + ToleranceText(o) + " absorbed " +
                                     Plural(static_cast<size_t>(absorbed), "cell")
                               : std::string();
  if (diff.Equal()) {
    const std::string equal = "the files hold the same headers, labels, values and history";
    return tolerance.empty() ? equal : equal + ", " + tolerance;
  }
  std::vector<std::string> parts;
  for (const auto& [r, n] : diff.Renames) {
    parts.push_back("set " + r.first + " renamed to " + r.second);
  }
  size_t labels = 0;
  size_t values = 0;
  size_t shapes = 0;
  size_t longNames = 0;
  for (const THeadDiff& h : diff.Heads) {
    labels += h.LabelsEqual() ? 0 : 1;
    values += h.Values == TValuesVerdict::Differ ? 1 : 0;
    shapes += h.TypeEqual() && h.DimsEqual ? 0 : 1;
    longNames += h.LongNameEqual ? 0 : 1;
  }
  if (labels > 0) parts.push_back("labels changed in " + Plural(labels, "header"));
  if (shapes > 0) parts.push_back("type or dimensions changed in " + Plural(shapes, "header"));
  if (longNames > 0) parts.push_back("long names changed in " + Plural(longNames, "header"));
  if (!diff.OnlyOld.empty())
    parts.push_back(Plural(diff.OnlyOld.size(), "header") + " only in OLD");
  if (!diff.OnlyNew.empty())
    parts.push_back(Plural(diff.OnlyNew.size(), "header") + " only in NEW");
  parts.push_back(values == 0 ? "all values equal"
                              : "values differ in " + Plural(values, "header"));
  if (!diff.HistoryEqual) {
    parts.push_back(diff.HistoryAdded.empty()
                        ? "history changed"
                        : Plural(diff.HistoryAdded.size(), "history line") + " added");
  }
  if (!tolerance.empty()) parts.push_back(tolerance);
  return Joined(parts, ", ");
}

void PrintDiffHeading(std::ostream& out, const std::string& oldName, const std::string& newName) {
  out << "OLD " << oldName << '\n' << "NEW " << newName << '\n';
}

void PrintDiffBody(std::ostream& out, const TFileDiff& diff, bool all) {
  if (!diff.OnlyOld.empty()) out << "Only in OLD: " << Joined(diff.OnlyOld, " ") << '\n';
  if (!diff.OnlyNew.empty()) out << "Only in NEW: " << Joined(diff.OnlyNew, " ") << '\n';
  for (const THeadDiff& h : diff.Heads) {
    if (all || !h.Equal()) out << HeadLine(h, diff.Options) << '\n';
    for (const TCellDiff& c : h.Listed) out << "  " << CellLine(h.Name, c) << '\n';
  }
  if (!diff.HistoryEqual) {
    if (diff.HistoryAdded.empty()) out << "History changed\n";
    for (const std::string& line : diff.HistoryAdded) out << "History added: " << line << '\n';
  }
  out << "Summary: " << DiffSummary(diff) << '\n';
}

void PrintDiff(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
               const std::string& newName, bool all) {
  PrintDiffHeading(out, oldName, newName);
  PrintDiffBody(out, diff, all);
}

namespace {

TJson NumberJson(double v, bool integer) {
  return integer ? TJson(static_cast<int64_t>(v)) : FloatJson(static_cast<float>(v));
}

// A difference as JSON: null for the infinite one of a NaN or a 0 in OLD.
TJson DifferenceJson(double v) {
  return std::isfinite(v) ? TJson(v) : TJson(nullptr);
}

TJson ChangesJson(const TElementChanges& c) {
  TJson renamed = TJson::array();
  for (const auto& [from, to] : c.Renamed) renamed.push_back({{"from", from}, {"to", to}});
  return {{"dimension", c.Dimension}, {"old_set", c.OldSet},  {"new_set", c.NewSet},
          {"renamed", std::move(renamed)}, {"added", c.Added}, {"removed", c.Removed},
          {"reordered", c.Reordered}};
}

TJson HeadJson(const THeadDiff& h) {
  TJson j;
  j["name"] = h.Name;
  j["type_equal"] = h.TypeEqual();
  j["dims_equal"] = h.DimsEqual;
  j["labels_equal"] = h.LabelsEqual();
  j["long_name_equal"] = h.LongNameEqual;
  j["values_equal"] = h.Values == TValuesVerdict::NotCompared
                          ? TJson(nullptr)
                          : TJson(h.Values == TValuesVerdict::Equal);
  if (!h.TypeEqual()) {
    j["old_type"] = h.OldType;
    j["new_type"] = h.NewType;
  }
  if (!h.DimsEqual) {
    j["old_dims"] = h.OldDims;
    j["new_dims"] = h.NewDims;
  }
  if (!h.Renames.empty()) {
    TJson renames = TJson::array();
    for (const TRename& r : h.Renames) renames.push_back({{"from", r.first}, {"to", r.second}});
    j["renames"] = std::move(renames);
  }
  if (!h.LabelNotes.empty()) j["label_changes"] = h.LabelNotes;
  if (!h.ElementChanges.empty()) {
    TJson changes = TJson::array();
    for (const TElementChanges& c : h.ElementChanges) changes.push_back(ChangesJson(c));
    j["element_changes"] = std::move(changes);
  }
  if (!h.NotComparable.empty()) j["not_comparable"] = h.NotComparable;
  if (h.CellsAbsorbed > 0) j["cells_within_tolerance"] = h.CellsAbsorbed;
  if (h.CellsOnlyOld > 0 || h.CellsOnlyNew > 0) {
    j["cells_only_in_old"] = h.CellsOnlyOld;
    j["cells_only_in_new"] = h.CellsOnlyNew;
  }
  if (h.Values == TValuesVerdict::Differ) {
    j["cells_differing"] = h.CellsDiffering;
    j["max_abs_difference"] = h.MaxAbsDifference;
    const auto value = [&h](const std::string& text, double v) {
      if (!h.FirstNumeric) return TJson(text);
      return h.FirstInteger ? TJson(static_cast<int64_t>(v)) : FloatJson(static_cast<float>(v));
    };
    j["first_difference"] = {{"cell", h.FirstCell},
                             {"old", value(h.FirstOld, h.FirstOldNumber)},
                             {"new", value(h.FirstNew, h.FirstNewNumber)}};
    if (h.FirstNumeric) {
      j["largest_abs"] = CellJson("", h.MaxAbs);
      j["largest_rel"] = CellJson("", h.MaxRel);
    }
  }
  return j;
}

}  // namespace

TJson CellJson(const std::string& head, const TCellDiff& c) {
  TJson j;
  if (!head.empty()) j["header"] = head;
  j["cell"] = c.Cell;
  if (!c.Numeric) {
    j["old"] = c.Old;
    j["new"] = c.New;
    return j;
  }
  j["old"] = NumberJson(c.OldNumber, c.Integer);
  j["new"] = NumberJson(c.NewNumber, c.Integer);
  j["abs_difference"] = DifferenceJson(c.Abs);
  j["rel_difference"] = DifferenceJson(c.Rel);
  return j;
}

TJson ComparedJson(const std::string& oldName, const std::string& newName, bool equal,
                   const std::vector<std::string>& onlyOld,
                   const std::vector<std::string>& onlyNew) {
  return {{"old", oldName}, {"new", newName}, {"equal", equal}, {"only_in_old", onlyOld},
          {"only_in_new", onlyNew}};
}

TJson DiffJson(const TFileDiff& diff, const std::string& oldName, const std::string& newName) {
  const TDiffOptions& o = diff.Options;
  TJson j = ComparedJson(oldName, newName, diff.Equal(), diff.OnlyOld, diff.OnlyNew);
  TJson heads = TJson::array();
  for (const THeadDiff& h : diff.Heads) heads.push_back(HeadJson(h));
  j["headers"] = std::move(heads);
  j["history_equal"] = diff.HistoryEqual;
  j["history_added"] = diff.HistoryAdded;
  TJson renames = TJson::array();
  for (const auto& [r, n] : diff.Renames) {
    renames.push_back({{"from", r.first}, {"to", r.second}, {"headers", n}});
  }
  j["renames"] = std::move(renames);
  j["tolerance"] = {{"exact", !o.Tolerant}, {"abs", o.Abs}, {"rel", o.Rel},
                    {"nan_equal", o.NanEqual}, {"text", ToleranceText(o)}};
  int64_t absorbed = 0;
  for (const THeadDiff& h : diff.Heads) absorbed += h.CellsAbsorbed;
  j["cells_within_tolerance"] = absorbed;
  if (o.Cells != 0 && o.Cells != AllCells) j["cells_by"] = o.ByRel ? "rel" : "abs";
  if (o.Cells != 0 && !diff.CellsStreamed) {
    TJson cells = TJson::array();
    for (const THeadDiff& h : diff.Heads) {
      for (const TCellDiff& c : h.Listed) cells.push_back(CellJson(h.Name, c));
    }
    j["cells"] = std::move(cells);
  }
  j["summary"] = DiffSummary(diff);
  return j;
}

void PrintDiffJson(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
                   const std::string& newName) {
  PrintJson(out, DiffJson(diff, oldName, newName));
}

}  // namespace modrask::harinfo
