#include "harinfo/jsonout.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "harinfo/dimlabels.h"
#include "harinfo/infofile.h"

namespace modrask::harinfo {

void PrintJson(std::ostream& out, const TJson& j) {
  out << j.dump(-1, ' ', false, TJson::error_handler_t::replace) << '\n';
}

std::string FloatText(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

TJson FloatJson(float v) {
  if (!std::isfinite(v)) return nullptr;
  // Through the shortest text, so that 0.1f prints as 0.1, not as the
  // double nearest to it.
  return std::strtod(FloatText(v).c_str(), nullptr);
}

TJson HeaderJson(const THeaderRec& head, bool elements) {
  TJson j;
  j["name"] = ShownName(head);
  j["type"] = StoredType(head);
  j["long_name"] = TrimmedString(head.LongName);
  if (head.HeadType == "1C") {
    j["strings"] = head.NStrings;
    j["string_length"] = head.LenString;
    return j;
  }
  if (head.HeadType == "2I") {
    j["rows"] = head.NRows;
    j["cols"] = head.NCols;
    return j;
  }
  j["storage"] = StoredStorage(head);
  TJson dims = TJson::array();
  TJson labels = TJson::array();
  const std::vector<std::string> columns = ColumnTitles(head);
  const std::vector<TDimInfo> infos = DimInfos(head);
  for (size_t k = 0; k < infos.size(); ++k) {
    const TDimInfo& d = infos[k];
    dims.push_back(d.Size);
    TJson label;
    if (d.Labelled()) label["set"] = d.Set;
    if (elements) label["column"] = columns[k];
    if (d.Single()) {
      label["element"] = d.Element;
    } else {
      label["size"] = d.Size;
    }
    if (elements && d.Elements != nullptr) {
      TJson names = TJson::array();
      for (int32_t i = 1; i <= d.Size; ++i) names.push_back(CellName(d, i));
      label["elements"] = std::move(names);
    }
    labels.push_back(std::move(label));
  }
  j["dims"] = std::move(dims);
  j["labels"] = std::move(labels);
  return j;
}

}  // namespace modrask::harinfo
