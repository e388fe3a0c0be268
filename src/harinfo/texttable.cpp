#include "harinfo/texttable.h"

#include <algorithm>
#include <ostream>

namespace modrask::harinfo {

void PrintWrapped(std::ostream& out, const std::vector<std::string>& names, size_t limit) {
  constexpr size_t LineWidth = 78;
  const size_t shown = limit > 0 ? std::min(limit, names.size()) : names.size();
  std::string line = "   ";
  for (size_t i = 0; i < shown; ++i) {
    if (line.size() > 3 && line.size() + 1 + names[i].size() > LineWidth) {
      out << line << '\n';
      line = "   ";
    }
    line += ' ';
    line += names[i];
  }
  if (line.size() > 3) out << line << '\n';
  if (shown < names.size()) out << "    ... and " << names.size() - shown << " more\n";
}

TTextTable::TTextTable(std::vector<std::string> titles) {
  rows_.push_back(std::move(titles));
}

void TTextTable::Add(std::vector<std::string> row) {
  row.resize(rows_.front().size());
  rows_.push_back(std::move(row));
}

void TTextTable::Print(std::ostream& out) const {
  const size_t nCols = rows_.front().size();
  std::vector<size_t> widths(nCols, 0);
  for (const auto& row : rows_) {
    for (size_t c = 0; c < nCols; ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  std::string line;
  for (const auto& row : rows_) {
    line.clear();
    for (size_t c = 0; c < nCols; ++c) {
      if (c > 0) line += "  ";
      const size_t pad = widths[c] - row[c].size();
      if (std::find(right_.begin(), right_.end(), c) != right_.end()) {
        line.append(pad, ' ').append(row[c]);
      } else {
        line.append(row[c]).append(c + 1 < nCols ? pad : 0, ' ');
      }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
}

}  // namespace modrask::harinfo
