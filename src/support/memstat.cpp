#include "modrask/support/memstat.h"

#include <atomic>
#include <limits>

#include "modrask/support/memstat_host.h"

namespace modrask {

namespace {

// No override.
constexpr int64_t kNoOverride = std::numeric_limits<int64_t>::min();

// The override is one figure for the whole process, read and set from any
// thread.
std::atomic<int64_t>& AvailOverride() {
  static std::atomic<int64_t> value{kNoOverride};
  return value;
}

// The figure the outermost live TAvailMemScope of this thread took, and how
// many of them live in it.
struct TThreadScope {
  int64_t KB = 0;
  int Depth = 0;
};

TThreadScope& ThisThreadScope() {
  thread_local TThreadScope scope;
  return scope;
}

}  // namespace

int64_t AvailMemKB() {
  const int64_t overridden = AvailOverride().load(std::memory_order_relaxed);
  if (overridden != kNoOverride) return overridden;
  const TThreadScope& scope = ThisThreadScope();
  return scope.Depth > 0 ? scope.KB : HostAvailMemKB();
}

TAvailMemScope::TAvailMemScope() {
  TThreadScope& scope = ThisThreadScope();
  if (scope.Depth++ == 0) scope.KB = HostAvailMemKB();
}

TAvailMemScope::~TAvailMemScope() {
  --ThisThreadScope().Depth;
}

void OverrideAvailMemKB(std::optional<int64_t> kb) {
  AvailOverride().store(kb.value_or(kNoOverride), std::memory_order_relaxed);
}

}  // namespace modrask
