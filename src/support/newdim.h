// Real arrays of up to seven dimensions (TMat7) and real matrices (TMat2),
// allocated after a size limit and a memory estimate.
//
// Slots: Dims[1] is the outermost level and Dims[7] the innermost, fastest
// varying one (index 0 is unused, so slot numbers read as written). A TMat7
// holds its values in one contiguous zero-filled block in that order: the
// value at subscripts (s1, ..., s7), each from 1, sits at offset
// (s7-1) + D7*((s6-1) + D6*((s5-1) + ... + D2*(s1-1))), so every run of the
// innermost slot is contiguous and a whole array moves without copying.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "modrask/support/memadvise.h"

namespace modrask {

// Largest size of any slot, and of a TMat2's rows or columns.
inline constexpr int32_t MaxDimSize = 268435454;

using TDims7 = std::array<int32_t, 8>;  // slots 1..7; [0] unused

// Hands out zero-filled memory (calloc), so that the elements a vector
// value-initialises are already 0.0 and are not written a second time: a
// large block then comes straight from the system as untouched zero pages.
// Elements constructed with a value are constructed as usual.
template <class T>
struct TZeroedAllocator {
  using value_type = T;
  TZeroedAllocator() = default;
  template <class U>
  explicit TZeroedAllocator(const TZeroedAllocator<U>& /*other*/) noexcept {}

  T* allocate(size_t n) {
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    AdviseLargeBlock(p, n * sizeof(T));
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t /*n*/) noexcept { std::free(p); }

  // Value-initialisation is the zero fill calloc made.
  template <class U>
  void construct(U* /*p*/) noexcept {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const TZeroedAllocator<U>& /*other*/) const noexcept {
    return true;
  }
};

// The values of an array or matrix, in the order described above. A TValues
// gets its size when it is made and keeps it: resize() within its capacity
// would not clear the elements it brings back.
using TValues = std::vector<float, TZeroedAllocator<float>>;

struct TMat7 {
  // Nil when the record holds no tree: never allocated, or a size of 0 in
  // slot 1. A size of 0 elsewhere gives a Root with no values.
  std::unique_ptr<TValues> Root;
  TDims7 Dims{};
  int64_t NNZ = 0;      // valid only after CountNonZeros
  int64_t NValues = 0;  // valid only after CountNonZeros
};

// Number of values of an array of these sizes (product of slots 1..7).
int64_t Mat7Count(const TDims7& dims);

// A matrix of Rows x Cols values; element (r, c), from 1, at (r-1)*Cols+(c-1),
// so a TMat2 whose rows are the columns of a Header Array matrix is already
// in file order and can become a TMat7's Root as it is. Nil is empty.
using TMat2 = std::unique_ptr<TValues>;

// Builds a zero-filled array of sizes `dims` in `m`, releasing what m held.
// Failures (" [AllocMat7]" appended, m left empty): "Dimension too large(" n
// "), max is 268435454"; the memory breakdown when the estimate exceeds
// AvailMemKB; the SafeGetMem messages.
bool AllocMat7(TMat7& m, const TDims7& dims, std::string& msg);

// The refusals of AllocMat7, in its order and with its messages (" [AllocMat7]"
// included), without building anything: true when the array may be built.
bool CheckMat7(const TDims7& dims, std::string& msg);

// Releases the array and clears every field. Always true.
bool FreeMat7(TMat7& m, std::string& msg);

// Sets NValues and NNZ (values unequal to 0.0). False with "Unexpected Nil
// Pointer" (no tag) when Root is nil.
bool CountNonZeros(TMat7& m, std::string& msg);

// The values among the n 4-byte reals at `bits` (host order, any alignment)
// that CountNonZeros counts: unequal to 0.0 and -0.0, and not a NaN (an
// infinity counts). Blocks of a fixed length, which vectorise at -O2.
inline int64_t CountNonZeroBits(const void* bits, int64_t n) {
  constexpr int64_t kBlock = 64;
  const auto counts = [](uint32_t b) -> uint32_t {
    return ((b & 0x7FFFFFFFu) - 1u) < 0x7F800000u ? 1u : 0u;
  };
  const auto* p = static_cast<const unsigned char*>(bits);
  int64_t nnz = 0;
  int64_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    uint32_t block[kBlock];
    std::memcpy(block, p + 4 * i, sizeof block);
    uint32_t part = 0;
    for (int64_t j = 0; j < kBlock; ++j) part += counts(block[j]);
    nnz += part;
  }
  for (; i < n; ++i) {
    uint32_t b;
    std::memcpy(&b, p + 4 * i, sizeof b);
    nnz += counts(b);
  }
  return nnz;
}

// Builds a zero-filled rows x cols matrix in `m` (which must be nil).
// Failures carry " [AllocMat2]": "Too many rows(" .. "), max is 268435454",
// "Too many cols(...)...", "Not enough memory for array size " r " rows and "
// c " columns".
bool AllocMat2(TMat2& m, int32_t rows, int32_t cols, std::string& msg);

// Releases the matrix; nil afterwards. Always true.
bool FreeMat2(TMat2& m, int32_t rows, int32_t cols, std::string& msg);

// The memory estimate, in KiB, of the tree form of an array: 4 bytes per
// value and per reference and the allocator overhead, each part rounded to
// the nearest KiB (ties to even). The parts are returned when asked for.
int64_t Mat7MemoryKB(const TDims7& dims, int64_t* realsKB = nullptr, int64_t* pointersKB = nullptr,
                     int64_t* heapKB = nullptr);
int64_t Mat2MemoryKB(int32_t rows, int32_t cols);

// "1" for n = 0; otherwise the sizes of slots 7, 6, ... 8-n joined by "*".
std::string DimsProductText(const TDims7& dims, int n);

}  // namespace modrask
