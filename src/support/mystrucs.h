// Checked allocation and the two small containers built on it: the string
// vector PStrVec and the zero-filled integer matrix of AllocArr4. Every
// operation follows the message convention of message.h.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "modrask/support/message.h"

namespace modrask {

// Largest last index of a vector or row table.
inline constexpr int32_t MaxPtr = 268435454;
// Largest last column index for elements of `elmSize` bytes.
inline constexpr int32_t MaxColFor(int32_t elmSize) {
  return static_cast<int32_t>(1073741823u / static_cast<uint32_t>(elmSize));
}
inline constexpr int32_t MaxCol = MaxColFor(4);
static_assert(MaxCol == 268435455);

// True when `p` is nil, and then msg := "Unexpected Nil Pointer". Note the
// inverted sense: true means the check failed.
template <class P>
bool NilPtrError(const P& p, std::string& msg) {
  if (p != nullptr) return false;
  msg = "Unexpected Nil Pointer";
  return true;
}

// True when `p` is set, and then msg := "Expected Nil Pointer".
template <class P>
bool NonNilPtrError(const P& p, std::string& msg) {
  if (p == nullptr) return false;
  msg = "Expected Nil Pointer";
  return true;
}

// A raw zero-filled block of bytes.
using TBlock = std::unique_ptr<uint8_t[]>;

// Obtains a zero-filled block of `size` bytes into `p`, which must be nil.
// Size 0 succeeds and leaves p nil. Failures: "pointer should be nil",
// "Size<0", "Out of Memory", each with " [SafeGetMem]"; p is nil afterwards
// (a block it held is released).
bool SafeGetMem(TBlock& p, int64_t size, std::string& msg);

// Releases `p` (when size > 0) and sets it nil. Always true; msg untouched.
bool SafeFreeMem(TBlock& p, int64_t size, std::string& msg);

// Obtains one value-initialised (zero-filled) record into `p`, which must be
// nil; the same messages as the block form. A set `p` is refused and nil
// afterwards: what it owned is released, not leaked.
template <class T>
bool SafeGetMem(std::unique_ptr<T>& p, std::string& msg) {
  if (p != nullptr) {
    p.reset();
    msg = "pointer should be nil";
    return Tagged(msg, "SafeGetMem");
  }
  try {
    p = std::make_unique<T>();
  } catch (const std::bad_alloc&) {
    msg = "Out of Memory";
    return Tagged(msg, "SafeGetMem");
  }
  return true;
}

// Runs `build`, turning an allocation failure into "Out of Memory
// [SafeGetMem]". The one place where std::bad_alloc is caught.
template <class F>
bool CheckedAlloc(F&& build, std::string& msg) {
  try {
    build();
  } catch (const std::bad_alloc&) {
    msg = "Out of Memory";
    return Tagged(msg, "SafeGetMem");
  }
  return true;
}

// True when count > max (the limit is exceeded), and then
// msg := "NElm(" count ")>" name "(" max ")".
bool ChkNElm(int64_t count, int64_t max, std::string_view name, std::string& msg);

// A vector of N+1 string slots, indexed 0..N. The owner keeps N; nil is the
// empty vector with N = -1. Slots are empty after allocation.
using PStrVec = std::unique_ptr<std::vector<std::string>>;

// s := src, whole. Always true; msg never written.
bool SetPStr(std::string& s, std::string_view src, std::string& msg);

// Allocates N+1 empty slots into `v` (which must be nil). N = -1 gives a nil
// vector and success. N above MaxPtr fails with the ChkNElm message alone.
bool AllocPStrVec(PStrVec& v, int32_t n, std::string& msg);

// Releases `v` (N+1 slots); v is nil afterwards. Always true.
bool FreePStrVec(PStrVec& v, int32_t n, std::string& msg);

// Appends `s` as slot N+1 of `v` (which holds N+1 slots, nil when N = -1);
// the caller then adds 1 to its N. On failure v is left as it was.
bool AddToPStrVec(PStrVec& v, std::string_view s, int32_t n, std::string& msg);

// Copies slots 0..N of `src` into `dest` (which must be nil); maxLen is the
// longest string's length, at least 1 (0 when src is nil). Failures carry
// " [DupePStrVec]".
bool DupePStrVec(const PStrVec& src, PStrVec& dest, int32_t& maxLen, int32_t n, std::string& msg);

// A zero-filled integer matrix of rows 0..MaxRow and columns 0..MaxCol, held
// as one block in column order: the rows of one column lie together, so a
// column is one contiguous run.
struct TArr4Block {
  int32_t MaxRow = 0;
  int32_t MaxCol = 0;
  std::vector<int32_t> Cells;

  int32_t& At(int32_t r, int32_t c) {
    return Cells[static_cast<size_t>(c) * (static_cast<size_t>(MaxRow) + 1) + r];
  }
  int32_t At(int32_t r, int32_t c) const {
    return Cells[static_cast<size_t>(c) * (static_cast<size_t>(MaxRow) + 1) + r];
  }
  // Rows r.. of column c, contiguous.
  int32_t* Column(int32_t c, int32_t r = 0) { return &At(r, c); }
};
using TArr4 = std::unique_ptr<TArr4Block>;

// Allocates rows 0..maxRow and columns 0..maxCol into `a`, zero-filled.
// Limits: maxRow above MaxPtr or maxCol above MaxCol fail with the ChkNElm
// message and no tag; an allocation failure carries " [SafeGetMem]".
// maxRow = -1 gives a nil matrix and success.
bool AllocArr4(TArr4& a, int32_t maxRow, int32_t maxCol, std::string& msg);

// The size refusals of AllocArr4, with its messages, without allocating.
bool CheckArr4(int32_t maxRow, int32_t maxCol, std::string& msg);

// Releases `a`; nil afterwards. Always true.
bool FreeArr4(TArr4& a, int32_t maxRow, int32_t maxCol, std::string& msg);

}  // namespace modrask
