// One piece of a gathered write, shared by the byte file and the host layer
// below it.
#pragma once

#include <cstdint>

namespace modrask {

// `size` bytes at `data`.
struct HostPiece {
  const uint8_t* data;
  int64_t size;
};

}  // namespace modrask
