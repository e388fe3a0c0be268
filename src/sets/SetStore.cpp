#include "modrask/sets/SetStore.h"

#include <utility>

#include "modrask/sets/BalTree.h"
#include "modrask/sets/settext.h"
#include "modrask/support/message.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

// True when `elements` holds slots 0..n; else msg says why.
bool ElementsCover(const PStrVec& elements, int32_t n, std::string& msg) {
  if (NilPtrError(elements, msg)) return false;
  if (n < 0 || elements->size() < static_cast<size_t>(n) + 1) {
    return Fail(msg, "Element list does not match set size");
  }
  return true;
}

bool SameName(const TSetStoreRecxx& e, std::string_view target) {
  if (TrimBlankCtl(e.HeaderName).empty()) return false;
  return UpperAscii(TrimBlankCtl(e.SetName)) == target;
}

}  // namespace

bool InitSetStore(PSetStore& s, std::string& msg) {
  if (NonNilPtrError(s, msg)) return TaggedTight(msg, "InitSetStore");
  if (!SafeGetMem(s, msg)) return TaggedTight(msg, "InitSetStore");
  return true;
}

std::string MakeSetKey(int32_t size, std::string_view name) {
  return UpperAscii(name) + "(" + std::to_string(size) + ")";
}

int32_t FindSetKey(const TSetStore* s, std::string_view key) {
  if (s == nullptr) return 0;
  const auto it = s->KeyIndex.find(std::string(key));
  return it == s->KeyIndex.end() ? 0 : it->second;
}

bool CheckDupeElms(const PStrVec& elements, int32_t n, int32_t& first, std::string& msg,
                   bool& found, int32_t& second) {
  first = 0;
  second = 0;
  found = false;
  if (n <= 0) return true;
  if (!ElementsCover(elements, n, msg)) return TaggedTight(msg, "CheckDupeElms");
  TRBTree tree;
  RBInitTree(tree);
  int32_t counter = 0;
  for (int32_t i = 1; i <= n; ++i) {
    std::string k = UpperAscii((*elements)[i]);
    if (k.empty()) k = " ";
    int32_t d = i;
    bool inserted = false;
    if (!RBStringInsert(k, tree, inserted, msg, counter, d)) {
      RBFreeTree(tree);
      return TaggedTight(msg, "CheckDupeElms");
    }
    if (!inserted) {
      first = d;
      second = i;
      found = true;
      break;
    }
  }
  RBFreeTree(tree);
  return true;
}

bool AddToSetStore(TSetStore* s, std::string_view name, std::string_view description, int32_t size,
                   const THeaderRec& hdr, bool from1C, const PStrVec& elements, bool& added,
                   int32_t& index, std::string& msg) {
  added = false;
  index = 0;
  if (NilPtrError(s, msg)) return TaggedTight(msg, "AddToSetStore");
  std::string key = MakeSetKey(size, name);
  index = FindSetKey(s, key);
  if (index != 0) {
    TSetStoreRecxx& e = *s->Entries[index - 1];
    if (e.Description.empty()) e.Description = TrimBlankCtl(description);
    return true;
  }
  if (s->Count >= MaxSets) {
    msg = "Too many sets";
    return TaggedTight(msg, "AddToSetStore");
  }
  if (elements != nullptr) {
    if (!ElementsCover(elements, size, msg)) return TaggedTight(msg, "AddToSetStore");
    // A set with a bad element list is passed over, not a failure.
    for (int32_t k = 1; k <= size; ++k) {
      if (!CheckElementName((*elements)[k], msg)) return true;
    }
    int32_t first = 0;
    int32_t second = 0;
    bool found = false;
    if (!CheckDupeElms(elements, size, first, msg, found, second)) {
      return TaggedTight(msg, "AddToSetStore");
    }
    if (found) {
      msg =
          "Elements " + std::to_string(first) + " and " + std::to_string(second) + " are the same";
      return true;
    }
  }
  std::unique_ptr<TSetStoreRecxx> e;
  if (!SafeGetMem(e, msg)) return TaggedTight(msg, "AddToSetStore");
  e->SetName = name.substr(0, SetNameLen);
  e->From1C = from1C;
  e->HeaderName = std::string_view(hdr.Name).substr(0, HeadNameLen);
  e->Size = size;
  e->Description = TrimBlankCtl(description);
  e->Key = key;
  if (elements != nullptr && !DupePStrVec(elements, e->Elements, e->MaxElemLen, size, msg)) {
    return TaggedTight(msg, "AddToSetStore");
  }
  const int32_t pos = s->Count + 1;
  if (!CheckedAlloc([&] { s->KeyIndex.emplace(std::move(key), pos); }, msg)) {
    return TaggedTight(msg, "AddToSetStore");
  }
  s->Entries[pos - 1] = std::move(e);
  s->Count = pos;
  index = pos;
  added = true;
  return true;
}

void SortSetStore(TSetStore* s) {
  if (s == nullptr) return;
  auto& en = s->Entries;
  const int32_t count = s->Count;
  int32_t gap = count;
  bool swapped = false;
  do {
    gap /= 2;
    if (gap < 1) gap = 1;
    swapped = false;
    for (int32_t i = 0; i + gap < count; ++i) {
      if (en[i]->Key > en[i + gap]->Key) {
        std::swap(en[i], en[i + gap]);
        swapped = true;
      }
    }
  } while (gap > 1 || swapped);
  // Rewriting the positions in place allocates nothing: the keys are there.
  for (int32_t i = 0; i < count; ++i) {
    const auto it = s->KeyIndex.find(en[i]->Key);
    if (it != s->KeyIndex.end()) it->second = i + 1;
  }
}

int32_t FindSetByName(const TSetStore* s, std::string_view name) {
  if (s == nullptr) return 0;
  const std::string target = UpperAscii(TrimBlankCtl(name));
  for (int32_t i = 1; i <= s->Count; ++i) {
    if (SameName(*s->Entries[i - 1], target)) return i;
  }
  return 0;
}

int32_t CountSetsByName(const TSetStore* s, std::string_view name) {
  if (s == nullptr) return 0;
  const std::string target = UpperAscii(TrimBlankCtl(name));
  int32_t n = 0;
  for (int32_t i = 1; i <= s->Count; ++i) {
    if (SameName(*s->Entries[i - 1], target)) ++n;
  }
  return n;
}

}  // namespace modrask
