#include "support/memstat.h"

#include <algorithm>

namespace modrask {

namespace {

std::optional<int64_t>& AvailOverride() {
  static std::optional<int64_t> value;
  return value;
}

}  // namespace

int64_t AvailMemKB() {
  if (AvailOverride()) return *AvailOverride();
  TMemStatusKB ms;
  GetMemStatus(ms);
  return std::min(ms.AvailVirtual, ms.TotalPhys) - MemReserveKB;
}

void OverrideAvailMemKB(std::optional<int64_t> kb) {
  AvailOverride() = kb;
}

}  // namespace modrask
