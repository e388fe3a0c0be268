// Real values from their file form (4-byte little-endian IEEE singles):
// decoded in runs, with the non-finite ones replaced by a mark unless the
// reading keeps them as stored.
#pragma once

#include <cstdint>

namespace modrask {

// The mark that replaces every non-finite value read.
inline constexpr float NonFiniteMark = 424242.0f;

// Replaces an infinity or not-a-number by NonFiniteMark; true when it did.
bool FixNonFinite(float& v);

// Adds to nnz the values among the n read from a file (4 bytes each) that
// are not zero, as CountNonZeros counts them; false when one is not finite.
bool CountFiniteNonZeros(const uint8_t* src, int64_t n, int64_t& nnz);

// Decodes the n file values at src into v; unless `keep`, every non-finite
// one becomes NonFiniteMark. v and src may be the same memory.
void DecodeRealRun(float* v, const uint8_t* src, int64_t n, bool keep);

// Values already read as the file stores them, made what DecodeRealRun
// makes of them.
void MarkNonFiniteRun(float* v, int64_t n, bool keep);

}  // namespace modrask
