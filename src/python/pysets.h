// The sets of a file about to be written from Python, as the tools will
// gather them: a set's own names checked, and one set name standing for one
// list of elements throughout the file.
#pragma once

#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::python {

// ValueError naming the header, the set and the element unless `elements`
// are legal element names, none repeated (case ignored, as the set store
// compares them).
void CheckSetElements(const std::string& head, const std::string& set,
                      const std::vector<std::string>& elements);

// ValueError naming both headers when two of `heads` give one set name (case
// ignored) different elements: the labelled dimensions of real arrays, and
// the character headers that the tools take for sets.
void CheckSharedSets(const std::vector<PHeaderRec>& heads);

}  // namespace modrask::python
