// The store of every distinct set of a file: sets identified by name (any
// case) and size, keyed "REG(5)". Refusals come in two kinds: a set with an
// illegal or repeated element name is not stored but the call succeeds with
// the reason in msg; a missing or full store or a failed copy is a failure.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "modrask/har/harmodel.h"

namespace modrask {

inline constexpr int32_t MaxSets = 2000;

// One set, as first met. Only an empty Description is ever filled in later.
struct TSetStoreRecxx {
  std::string SetName;     // as first met, case kept, at most 12 characters
  bool From1C = false;     // first met as a 1C header listing its elements
  std::string HeaderName;  // header where first met, at most 4 characters
  int32_t Size = 0;        // number of elements
  int32_t MaxElemLen = 0;  // longest element name; 0 without element names
  PStrVec Elements;        // own copy, slots 0..Size; nil without names
  std::string Key;         // upper-case SetName + "(" + Size + ")"
  std::string Description;
};

struct TSetStore {
  int32_t Count = 0;
  // Entries[i - 1] is entry i, i = 1..Count.
  std::array<std::unique_ptr<TSetStoreRecxx>, MaxSets> Entries;
  // Key -> position, kept by AddToSetStore and SortSetStore so that finding
  // a key does not scan the table; change Entries only through them.
  std::unordered_map<std::string, int32_t> KeyIndex;
};
using PSetStore = std::unique_ptr<TSetStore>;

// Makes an empty store in `s`, which must be nil; else "Expected Nil
// Pointer[InitSetStore]".
bool InitSetStore(PSetStore& s, std::string& msg);

// Upper-case name + "(" + size in decimal + ")": Reg, 5 gives REG(5).
std::string MakeSetKey(int32_t size, std::string_view name);

// Position 1..Count of the entry whose Key equals `key` byte for byte, or 0
// (also for a nil store).
int32_t FindSetKey(const TSetStore* s, std::string_view key);

// Looks for the first of elements[1..n] that repeats an earlier one, case
// ignored (an empty name counts as one blank). found true: elements[second]
// repeats elements[first], first < second. False when the check itself
// failed: a tree that could not grow ("...[CheckDupeElms]"), or a list that
// is nil or holds fewer than n names.
bool CheckDupeElms(const PStrVec& elements, int32_t n, int32_t& first, std::string& msg,
                   bool& found, int32_t& second);

// Enters the set `name` of `size` elements met in `hdr`. Already stored
// (same key): true, added false, index its position, and an empty stored
// description takes `description`. Illegal or repeated element name: true,
// added false, index 0, the reason in msg. False ("...[AddToSetStore]",
// store unchanged): no store, store full ("Too many sets"), an element list
// shorter than size, a failed copy. The store copies `elements`.
bool AddToSetStore(TSetStore* s, std::string_view name, std::string_view description, int32_t size,
                   const THeaderRec& hdr, bool from1C, const PStrVec& elements, bool& added,
                   int32_t& index, std::string& msg);

// Orders the entries by Key, ascending in byte order: ABC(3), REG(10),
// REG(5). Positions returned earlier no longer hold. A nil store is left.
void SortSetStore(TSetStore* s);

// First position (0 if none) / number of entries whose SetName matches
// `name`, case and surrounding blanks ignored; entries with an empty
// HeaderName are never matched.
int32_t FindSetByName(const TSetStore* s, std::string_view name);
int32_t CountSetsByName(const TSetStore* s, std::string_view name);

}  // namespace modrask
