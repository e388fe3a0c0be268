#include "python/pysets.h"

#include <pybind11/pybind11.h>

#include <map>
#include <string_view>

#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"
#include "modrask/support/blanks.h"
#include "modrask/support/names.h"
#include "python/pycommon.h"

namespace modrask::python {

namespace py = pybind11;

namespace {

constexpr char DQ = '"';

// A set as first met: the header that gave it and its element names.
struct TSeenSet {
  std::string Head;
  std::string Name;
  std::vector<std::string> Elements;
};

std::vector<std::string> Names(const PStrVec& v, int32_t n) {
  std::vector<std::string> names;
  for (int32_t i = 1; v != nullptr && i <= n; ++i) {
    names.emplace_back(TrimTrailingBlanks((*v)[static_cast<size_t>(i)]));
  }
  return names;
}

void Meet(std::map<std::string, TSeenSet>& seen, const THeaderRec& head, const std::string& name,
          std::vector<std::string> elements) {
  const std::string shown(TrimTrailingBlanks(head.Name));
  // The store's key without its size: the name in upper case.
  const auto [it, added] = seen.try_emplace(MakeSetKey(0, name), TSeenSet{shown, name, elements});
  const TSeenSet& first = it->second;
  if (added || first.Elements == elements) return;
  std::string why = "different elements";
  if (first.Elements.size() != elements.size()) {
    why = std::to_string(elements.size()) + (elements.size() == 1 ? " element" : " elements") +
          ", not " + std::to_string(first.Elements.size());
  }
  throw py::value_error("header " + shown + ": set " + name + " differs from set " + first.Name +
                        " of header " + first.Head + " (" + why +
                        "); check_sets=False writes it anyway");
}

}  // namespace

void CheckSetElements(const std::string& head, const std::string& set,
                      const std::vector<std::string>& elements) {
  std::string msg;
  for (const std::string& e : elements) {
    if (!CheckElementName(e, msg)) {
      throw py::value_error("header " + head + ": set " + set + ": element " + DQ + e + DQ +
                            ": " + msg);
    }
  }
  PStrVec list;
  if (!AllocPStrVec(list, static_cast<int32_t>(elements.size()), msg)) throw THarError(msg);
  for (size_t i = 0; i < elements.size(); ++i) (*list)[i + 1] = elements[i];
  int32_t first = 0;
  int32_t second = 0;
  bool found = false;
  if (!CheckDupeElms(list, static_cast<int32_t>(elements.size()), first, msg, found, second)) {
    throw THarError(msg);
  }
  if (found) {
    throw py::value_error("header " + head + ": set " + set + " repeats element " + DQ +
                          elements[static_cast<size_t>(second - 1)] + DQ + " (elements " +
                          std::to_string(first) + " and " + std::to_string(second) + ")");
  }
}

void CheckSharedSets(const std::vector<PHeaderRec>& heads) {
  std::map<std::string, TSeenSet> seen;
  std::string info;
  for (const PHeaderRec& h : heads) {
    if (h->HeadType == "1C" && IsSetHeader(h.get(), info)) {
      std::string rest;
      std::string name;
      ParseSetLabel(h->LongName, h->NStrings, *h, rest, name);
      Meet(seen, *h, name, Names(h->StringRec, h->NStrings));
    } else if (h->HeadType == "RE") {
      for (int k = 1; k <= h->REDetails.acdim; ++k) {
        Meet(seen, *h, h->SetNames[static_cast<size_t>(8 - k)],
             Names(h->SetElements[static_cast<size_t>(8 - k)], h->Dims[static_cast<size_t>(8 - k)]));
      }
    }
  }
}

}  // namespace modrask::python
