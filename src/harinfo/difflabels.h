// The labels part of the comparison: for each dimension of two real arrays,
// a set renamed over the same elements, elements renamed in place, added,
// removed or reordered, and how OLD's cells then find NEW's by element name.
#pragma once

#include <string>
#include <vector>

#include "harinfo/hardiff.h"

namespace modrask::harinfo {

// Compares the labels of two real arrays with as many dimensions into
// d.Renames, d.LabelNotes and d.ElementChanges, and fills `match` where a
// set's elements changed. A dimension whose cells cannot be matched sets
// d.NotComparable.
void DiffRealLabels(const THeaderRec& o, const THeaderRec& n, THeadDiff& d, TCellMatch& match);

// Adds the rename of set `from` to `to` once.
void AddRename(THeadDiff& d, const std::string& from, const std::string& to);

// "CENTRE -> MIDDLE, added EAST, removed NORTH, reordered", each list cut
// after a few names ("and 12 more").
std::string ElementChangesText(const TElementChanges& c);

}  // namespace modrask::harinfo
