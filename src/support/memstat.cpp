#include "modrask/support/memstat.h"

#include "modrask/support/memstat_host.h"

namespace modrask {

namespace {

std::optional<int64_t>& AvailOverride() {
  static std::optional<int64_t> value;
  return value;
}

}  // namespace

int64_t AvailMemKB() {
  if (AvailOverride()) return *AvailOverride();
  return HostAvailMemKB();
}

void OverrideAvailMemKB(std::optional<int64_t> kb) {
  AvailOverride() = kb;
}

}  // namespace modrask
