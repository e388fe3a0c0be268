// Headers built in memory for the set tests: character headers that list
// elements and real arrays with set labels.
#pragma once

#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::testing {

// A string list in PStrVec form: slot 0 empty, then `names`.
PStrVec Strings(const std::vector<std::string>& names);

// Names Prefix1..PrefixN.
std::vector<std::string> Numbered(const std::string& prefix, int n);

// A 1C header; LenString is the longest string's length unless given.
PHeaderRec Make1C(const std::string& name, const std::string& longName,
                  const std::vector<std::string>& strings, int lenString = -1);

// One labelled dimension of a real array.
struct DimSpec {
  std::string SetName;
  int Size = 1;
  char Status = 'k';                  // 'k', 'e' or 'u'
  std::vector<std::string> Elements;  // empty: no element list
};

// An RE header whose dimension k (from 1) is dims[k - 1].
PHeaderRec MakeRE(const std::string& name, const std::string& longName,
                  const std::vector<DimSpec>& dims);

// A dimension over `setName` with elements Prefix1..PrefixSize.
DimSpec Dim(const std::string& setName, int size, const std::string& prefix = "E");

}  // namespace modrask::testing
