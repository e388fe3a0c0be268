// Gathering the sets of a file held in memory into the set store: character
// headers that list a set's elements, and the labelled dimensions of real
// arrays.
#pragma once

#include <string>
#include <string_view>

#include "modrask/sets/SetStore.h"

namespace modrask {

// Reads the set name out of a character header's long name: leading words
// SET (any case) are skipped, punctuation around the name is dropped, the
// name is cut to 12 and `rest` is the trimmed text after it. A label that
// runs out of words gives "Set" + n + "_" + the header's name. A last word
// is also its own rest: "REG" gives name REG and rest REG. An empty setName
// means the label marks a mapping ("Mapping from COM to AGG").
void ParseSetLabel(std::string_view label, int32_t n, const THeaderRec& hdr, std::string& rest,
                   std::string& setName);

// True when `hdr` is a 1C header that is a usable set: strings of at most
// 12 characters, a label that is no mapping, legal and distinct element
// names. info holds the reason when false and a summary ("REG(5) Regions")
// when true.
bool IsSetHeader(const THeaderRec* hdr, std::string& info);

// Enters the sets that one header defines or uses; nNew is how many were
// new to the store. A set refused for its element names is skipped with
// true (the reason left in msg). False ("...[StoreHeaderSets]") when the
// store is nil or AddToSetStore fails.
bool StoreHeaderSets(TSetStore* s, const THeaderRec* hdr, int32_t& nNew, std::string& msg);

// True when StoreHeaderSets would look at a set called `name` (compared as
// FindSetByName compares) in `hdr`: such a set then stands in the store,
// unless its element names are refused.
bool HeaderNamesSet(const THeaderRec& hdr, std::string_view name);

// Walks the ordinary headers of a file, character headers first, entering
// every set into `s` (made when nil; the caller owns it); sorts the store
// when `sort`. The special headers are not visited. False
// ("...[StoreHARFileSets]") at the first failing header.
bool StoreHARFileSets(PSetStore& s, THarData* harData, bool sort, std::string& msg);

}  // namespace modrask
