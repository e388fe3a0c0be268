// A plain text table: columns as wide as their widest cell, two blanks
// between them, no trailing blanks.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace modrask::harinfo {

// Prints `names` separated by blanks on lines of at most 78 characters that
// start with four blanks (a name longer than a line stands alone). With
// `limit` > 0 only the first `limit` names, then "    ... and " + the number
// left + " more".
void PrintWrapped(std::ostream& out, const std::vector<std::string>& names, size_t limit = 0);

class TTextTable {
 public:
  explicit TTextTable(std::vector<std::string> titles);
  // One row; missing cells are empty.
  void Add(std::vector<std::string> row);
  // The titles, then the rows. Columns after the first are left-aligned;
  // a column given by RightAlign is right-aligned.
  void Print(std::ostream& out) const;
  void RightAlign(size_t column) { right_.push_back(column); }

 private:
  std::vector<std::vector<std::string>> rows_;
  std::vector<size_t> right_;
};

}  // namespace modrask::harinfo
