// Real values from their file form: decoded in runs, the non-finite ones
// marked, the non-zero ones counted.
#include "modrask/har/realdecode.h"

#include <cstring>

#include "modrask/support/coding.h"

namespace modrask {

// One pass that the compiler can vectorise.
void DecodeRealRun(float* v, const uint8_t* src, int64_t n, bool keep) {
  if (keep) {
    DecodeRun32(v, src, n);
    return;
  }
  constexpr uint32_t kExp = 0x7F800000u;
  constexpr int64_t kBlock = 64;  // a fixed length, which vectorises at -O2
  uint32_t mark;
  std::memcpy(&mark, &NonFiniteMark, sizeof mark);
  int64_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    uint32_t out[kBlock];
    for (int64_t j = 0; j < kBlock; ++j) {
      const uint32_t bits = DecodeFixed32(src + 4 * (i + j));
      out[j] = (bits & kExp) == kExp ? mark : bits;
    }
    std::memcpy(v + i, out, sizeof out);
  }
  for (; i < n; ++i) {
    const uint32_t bits = DecodeFixed32(src + 4 * i);
    const uint32_t out = (bits & kExp) == kExp ? mark : bits;
    std::memcpy(v + i, &out, sizeof out);
  }
}

void MarkNonFiniteRun(float* v, int64_t n, bool keep) {
  if (!keep) DecodeRealRun(v, reinterpret_cast<const uint8_t*>(v), n, false);
}

// One pass in blocks of a fixed length, which vectorises at -O2.
bool CountFiniteNonZeros(const uint8_t* src, int64_t n, int64_t& nnz) {
  constexpr int64_t kBlock = 64;
  constexpr uint32_t kExp = 0x7F800000u;
  uint32_t nonFinite = 0;  // or-ed over the run: one branch at the end
  int64_t count = 0;
  int64_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    uint32_t part = 0;
    for (int64_t j = 0; j < kBlock; ++j) {
      const uint32_t bits = DecodeFixed32(src + 4 * (i + j));
      part += ((bits & 0x7FFFFFFFu) - 1u) < kExp ? 1u : 0u;
      nonFinite |= (bits & kExp) == kExp ? 1u : 0u;
    }
    count += part;
  }
  for (; i < n; ++i) {
    const uint32_t bits = DecodeFixed32(src + 4 * i);
    count += ((bits & 0x7FFFFFFFu) - 1u) < kExp ? 1 : 0;
    nonFinite |= (bits & kExp) == kExp ? 1u : 0u;
  }
  nnz += count;
  return nonFinite == 0;
}

bool FixNonFinite(float& v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  if ((bits & 0x7F800000u) != 0x7F800000u) return false;
  v = NonFiniteMark;
  return true;
}

}  // namespace modrask
