// harinfo diff of two folders: one line per file that differs (its
// summary; each header with --detail), the files only in one folder, and a
// total; or one JSON object with every file's comparison.
#pragma once

#include <iosfwd>
#include <string>

#include "harinfo/difffolders.h"

namespace modrask::harinfo {

struct TFolderPrint {
  bool Recursive = false;
  bool Detail = false;  // each differing file's report
  bool All = false;     // the equal files (and with Detail their headers) too
  bool Json = false;
  TDiffOptions Options;
};

// "3 files compared, 1 differs, ..." or that the folders hold the same.
std::string FolderSummary(const TFolderDiff& d);

// Compares and prints; returns the exit code: 0 all equal, 1 a difference,
// 2 when a folder cannot be listed or a file cannot be read (reported on
// `err`, the rest still compared and printed).
int RunFolderDiff(const std::string& oldDir, const std::string& newDir, const TFolderPrint& p,
                  std::ostream& out, std::ostream& err);

}  // namespace modrask::harinfo
