#include "productnames.h"

#include <cassert>

namespace modrask {

std::string UpperAscii(const std::string_view Name) {
  std::string Up(Name);
  for (char& C : Up) {
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  }
  return Up;
}

bool IsZmdName(const std::string_view Name) {
  if (Name.size() <= ZmdExt.size()) return false;
  return UpperAscii(Name.substr(Name.size() - ZmdExt.size())) == UpperAscii(ZmdExt);
}

std::string ProductKey(const std::string_view ZmdName, const std::string_view Ext) {
  assert(IsZmdName(ZmdName));
  std::string Key = UpperAscii(ZmdName.substr(0, ZmdName.size() - ZmdExt.size()));
  Key += UpperAscii(Ext);
  return Key;
}

}  // namespace modrask
