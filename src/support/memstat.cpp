#include "modrask/support/memstat.h"

#include "modrask/support/memstat_host.h"

namespace modrask {

namespace {

std::optional<int64_t>& AvailOverride() {
  static std::optional<int64_t> value;
  return value;
}

// The figure the outermost live TAvailMemScope took, and how many live.
int64_t g_scopedKB = 0;
int g_scopes = 0;

}  // namespace

int64_t AvailMemKB() {
  if (AvailOverride()) return *AvailOverride();
  return g_scopes > 0 ? g_scopedKB : HostAvailMemKB();
}

TAvailMemScope::TAvailMemScope() {
  if (g_scopes++ == 0) g_scopedKB = HostAvailMemKB();
}

TAvailMemScope::~TAvailMemScope() {
  --g_scopes;
}

void OverrideAvailMemKB(std::optional<int64_t> kb) {
  AvailOverride() = kb;
}

}  // namespace modrask
