// The host's own part of AvailMemKB: the usable-memory figure without the
// override that tests and fuzzing may set.
#pragma once

#include <cstdint>

namespace modrask {

// The smaller of the address space and the physical memory, minus
// MemReserveKB; may be negative.
int64_t HostAvailMemKB();

}  // namespace modrask
