#include "harinfo/diffprint.h"

#include <ostream>
#include <vector>

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

std::string ValuesText(const THeadDiff& h) {
  switch (h.Values) {
    case TValuesVerdict::Equal:
      return "values equal";
    case TValuesVerdict::NotCompared:
      return "values not compared";
    case TValuesVerdict::Differ:
      break;
  }
  std::string s = "values differ in " + Plural(static_cast<size_t>(h.CellsDiffering), "cell");
  if (h.MaxAbsDifference > 0) s += ", largest difference " + NumberText(h.MaxAbsDifference);
  if (!h.FirstCell.empty() || !h.FirstOld.empty() || !h.FirstNew.empty()) {
    s += ", first at (" + Joined(h.FirstCell, ",") + "): " + h.FirstOld + " -> " + h.FirstNew;
  }
  return s;
}

std::string HeadLine(const THeadDiff& h) {
  if (h.Equal()) return h.Name + ": equal";
  std::vector<std::string> parts;
  if (!h.TypeEqual()) parts.push_back("type " + h.OldType + " -> " + h.NewType);
  if (!h.DimsEqual) parts.push_back("dimensions " + h.OldDims + " -> " + h.NewDims);
  for (const TRename& r : h.Renames) parts.push_back("set " + r.first + " renamed to " + r.second);
  for (const std::string& note : h.LabelNotes) parts.push_back(note);
  if (!h.LongNameEqual) parts.push_back("long name differs");
  parts.push_back(ValuesText(h));
  return h.Name + ": " + Joined(parts, "; ");
}

}  // namespace

std::string DiffSummary(const TFileDiff& diff) {
  if (diff.Equal()) return "the files hold the same headers, labels, values and history";
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
  return Joined(parts, ", ");
}

void PrintDiff(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
               const std::string& newName, bool all) {
  out << "OLD " << oldName << '\n' << "NEW " << newName << '\n';
  if (!diff.OnlyOld.empty()) out << "Only in OLD: " << Joined(diff.OnlyOld, " ") << '\n';
  if (!diff.OnlyNew.empty()) out << "Only in NEW: " << Joined(diff.OnlyNew, " ") << '\n';
  for (const THeadDiff& h : diff.Heads) {
    if (all || !h.Equal()) out << HeadLine(h) << '\n';
  }
  if (!diff.HistoryEqual) {
    if (diff.HistoryAdded.empty()) out << "History changed\n";
    for (const std::string& line : diff.HistoryAdded) out << "History added: " << line << '\n';
  }
  out << "Summary: " << DiffSummary(diff) << '\n';
}

namespace {

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
  }
  return j;
}

}  // namespace

void PrintDiffJson(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
                   const std::string& newName) {
  TJson j;
  j["old"] = oldName;
  j["new"] = newName;
  j["equal"] = diff.Equal();
  j["only_in_old"] = diff.OnlyOld;
  j["only_in_new"] = diff.OnlyNew;
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
  j["summary"] = DiffSummary(diff);
  PrintJson(out, j);
}

}  // namespace modrask::harinfo
