// Advice to the host about how a large block of memory will be used.
#pragma once

#include <cstddef>

namespace modrask {

// Blocks of at least this many bytes are worth advising.
inline constexpr size_t LargeBlockBytes = size_t{4} << 20;

// Asks the host to back a large, freshly allocated block with large pages,
// so that filling it takes a few hundred page faults rather than hundreds
// of thousands. Only a hint: the block's contents and use do not change,
// and a host that cannot follow it ignores it.
void AdviseLargeBlock(void* p, size_t bytes);

}  // namespace modrask
