// The store of every distinct set of a file: sets identified by name (any
// case) and size.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "har/harmodel.h"

namespace modrask {

inline constexpr int32_t MaxSets = 2000;

struct TSetStoreRecxx {
  std::string SetName;
  bool From1C = false;
  std::string HeaderName;
  int32_t Size = 0;
  int32_t MaxElemLen = 0;
  PStrVec Elements;
  std::string Key;
  std::string Description;
};

struct TSetStore {
  int32_t Count = 0;
  // Entries[i - 1] is entry i, i = 1..Count.
  std::array<std::unique_ptr<TSetStoreRecxx>, MaxSets> Entries;
};
using PSetStore = std::unique_ptr<TSetStore>;

bool InitSetStore(PSetStore& s, std::string& msg);
std::string MakeSetKey(int32_t size, std::string_view name);
int32_t FindSetKey(const TSetStore* s, std::string_view key);
bool CheckDupeElms(const PStrVec& elements, int32_t n, int32_t& first, std::string& msg, bool& found,
                   int32_t& second);
bool AddToSetStore(TSetStore* s, std::string_view name, std::string_view description, int32_t size,
                   const THeaderRec& hdr, bool from1C, const PStrVec& elements, bool& added,
                   int32_t& index, std::string& msg);
void SortSetStore(TSetStore* s);
int32_t FindSetByName(const TSetStore* s, std::string_view name);
int32_t CountSetsByName(const TSetStore* s, std::string_view name);

}  // namespace modrask
