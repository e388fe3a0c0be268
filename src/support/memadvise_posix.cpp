// Large pages on POSIX hosts that offer them (madvise MADV_HUGEPAGE).
#include <sys/mman.h>

#include <cstdint>

#include "modrask/support/memadvise.h"

namespace modrask {

void AdviseLargeBlock(void* p, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  if (p == nullptr || bytes < LargeBlockBytes) return;
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  // Only whole large pages inside the block can be advised.
  const auto begin = reinterpret_cast<uintptr_t>(p);
  const uintptr_t lo = (begin + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t hi = (begin + bytes) & ~(kHuge - 1);
  if (hi > lo) ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
#else
  (void)p;
  (void)bytes;
#endif
}

}  // namespace modrask
