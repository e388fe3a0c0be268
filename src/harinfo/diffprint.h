// The report of a comparison: one line per header in both files, the
// headers in only one, the history, and a closing summary; or one JSON
// object with the same content.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harinfo/hardiff.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

// The summary: what was renamed, how many headers' labels changed, and
// whether all values are equal, or that the files are equal.
std::string DiffSummary(const TFileDiff& diff);

// The report as text: the headers that differ (with `all` every header),
// then "Summary: " and the summary.
void PrintDiff(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
               const std::string& newName, bool all);

// The two pieces of PrintDiff: "OLD name", "NEW name"; then the rest. A
// run that streams every differing cell prints them between the two.
void PrintDiffHeading(std::ostream& out, const std::string& oldName, const std::string& newName);
void PrintDiffBody(std::ostream& out, const TFileDiff& diff, bool all);

// One differing cell of header `head`: "A2(MANU,R1): 1 -> 1.75, difference
// 0.75, relative 0.75".
std::string CellLine(const std::string& head, const TCellDiff& c);

// The cell as JSON: {"header" (left out when `head` is empty), "cell",
// "old", "new", "abs_difference", "rel_difference"}.
TJson CellJson(const std::string& head, const TCellDiff& c);

// {"old", "new", "equal", "only_in_old", "only_in_new"}: how a comparison
// of two files or folders begins.
TJson ComparedJson(const std::string& oldName, const std::string& newName, bool equal,
                   const std::vector<std::string>& onlyOld,
                   const std::vector<std::string>& onlyNew);

// {"old", "new", "equal", "only_in_old", "only_in_new", "headers": [{"name",
// "type_equal", "dims_equal", "labels_equal", "long_name_equal",
// "values_equal" (null when not compared), and where they apply "old_type",
// "new_type", "old_dims", "new_dims", "renames", "label_changes",
// "cells_differing", "max_abs_difference", "first_difference": {"cell",
// "old", "new"}, the two values numbers (null for NaN and the
// infinities) or, for character headers, strings}], every header listed;
// "history_equal", "history_added", "renames": [{"from", "to", "headers"}],
// "summary"}. Besides: per header "element_changes", "not_comparable",
// "cells_within_tolerance", "cells_only_in_old"/"cells_only_in_new",
// "largest_abs" and "largest_rel" (CellJson); for the file "tolerance",
// "cells_within_tolerance", and "cells" (CellJson) when cells were asked for
// and not streamed.
TJson DiffJson(const TFileDiff& diff, const std::string& oldName, const std::string& newName);
void PrintDiffJson(std::ostream& out, const TFileDiff& diff, const std::string& oldName,
                   const std::string& newName);

}  // namespace modrask::harinfo
