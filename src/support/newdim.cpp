// Real arrays and matrices: size limit, memory estimate, allocation.
#include "modrask/support/newdim.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "modrask/support/memstat.h"
#include "modrask/support/message.h"
#include "modrask/support/mystrucs.h"

namespace modrask {

namespace {

constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

// a * b, held at the int64 limits instead of overflowing.
int64_t SatMul(int64_t a, int64_t b) {
  int64_t r = 0;
  if (!__builtin_mul_overflow(a, b, &r)) return r;
  return ((a < 0) != (b < 0)) ? kMin64 : kMax64;
}

int64_t SatAdd(int64_t a, int64_t b) {
  int64_t r = 0;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return a < 0 ? kMin64 : kMax64;
}

// bytes / 1024 rounded to the nearest integer, ties to even, in integers so
// that no byte count is distorted by a conversion to double.
int64_t RoundKB(int64_t bytes) {
  if (bytes < 0) return bytes == kMin64 ? -(kMax64 / 1024) : -RoundKB(-bytes);
  int64_t q = bytes / 1024;
  const int64_t r = bytes % 1024;
  if (r > 512 || (r == 512 && (q % 2) != 0)) ++q;
  return q;
}

std::string Num(int64_t n) {
  return std::to_string(n);
}

}  // namespace

int64_t Mat7Count(const TDims7& dims) {
  int64_t count = 1;
  for (int k = 1; k <= 7; ++k) count = SatMul(count, dims[k]);
  return count;
}

int64_t Mat7MemoryKB(const TDims7& dims, int64_t* realsKB, int64_t* pointersKB, int64_t* heapKB) {
  const int64_t realsBytes = SatMul(Mat7Count(dims), 4);
  // References of the tree: D1 + D1*D2 + ... + D1*...*D6.
  int64_t pointerCount = dims[6];
  for (int k = 5; k >= 1; --k) pointerCount = SatMul(dims[k], SatAdd(1, pointerCount));
  const int64_t pointersBytes = SatMul(pointerCount, 4);
  const int64_t heapBytes = (dims[7] % 2 != 0) ? pointersBytes : SatMul(pointersBytes, 2);
  const int64_t r = RoundKB(realsBytes);
  const int64_t p = RoundKB(pointersBytes);
  const int64_t h = RoundKB(heapBytes);
  if (realsKB != nullptr) *realsKB = r;
  if (pointersKB != nullptr) *pointersKB = p;
  if (heapKB != nullptr) *heapKB = h;
  return SatAdd(SatAdd(r, p), h);
}

int64_t Mat2MemoryKB(int32_t rows, int32_t cols) {
  const int64_t realsBytes = SatMul(SatMul(rows, cols), 4);
  const int64_t pointersBytes = SatMul(rows, 4);
  const int64_t heapBytes = (rows % 2 != 0) ? pointersBytes : SatMul(pointersBytes, 2);
  return SatAdd(SatAdd(RoundKB(realsBytes), RoundKB(pointersBytes)), RoundKB(heapBytes));
}

std::string DimsProductText(const TDims7& dims, int n) {
  if (n <= 0) return "1";
  if (n > 7) n = 7;
  std::string text;
  for (int k = 7; k >= 8 - n; --k) {
    if (k < 7) text += '*';
    text += Num(dims[k]);
  }
  return text;
}

bool FreeMat7(TMat7& m, std::string& /*msg*/) {
  m = TMat7{};
  return true;
}

bool CheckMat7(const TDims7& dims, std::string& msg) {
  for (int k = 1; k <= 7; ++k) {
    if (dims[k] > MaxDimSize) {
      msg = "Dimension too large(" + Num(dims[k]) + "), max is " + Num(MaxDimSize);
      return Tagged(msg, "AllocMat7");
    }
  }
  // The tree is built level by level and stops below the first empty level,
  // so a negative size counts only where the building would reach it.
  for (int k = 1; k <= 7 && dims[k] != 0; ++k) {
    if (dims[k] < 0) {
      msg = "Size<0";
      Tagged(msg, "SafeGetMem");
      return Tagged(msg, "AllocMat7");
    }
  }
  int64_t realsKB = 0;
  int64_t pointersKB = 0;
  int64_t heapKB = 0;
  const int64_t required = Mat7MemoryKB(dims, &realsKB, &pointersKB, &heapKB);
  const int64_t available = AvailMemKB();
  if (required > available) {
    msg = "Not enough memory for array size (" + DimsProductText(dims, 7) + ") \r\n" +
          "Required: " + Num(required / 1024) + " MB, [Reals:" + Num(realsKB / 1024) +
          "MB, Pointers:" + Num(pointersKB / 1024) + "MB, Heap:" + Num(heapKB / 1024) +
          "MB]\r\nAvailable: " + Num(available / 1024) + " MB. \r\n";
    return Tagged(msg, "AllocMat7");
  }
  // A count beyond what a vector can hold is a block the platform cannot supply.
  if (dims[1] != 0 && static_cast<uint64_t>(std::max<int64_t>(Mat7Count(dims), 0)) >
                          TValues().max_size()) {
    msg = "Out of Memory";
    Tagged(msg, "SafeGetMem");
    return Tagged(msg, "AllocMat7");
  }
  return true;
}

bool AllocMat7(TMat7& m, const TDims7& dims, std::string& msg) {
  FreeMat7(m, TUnwantedMsg());
  if (!CheckMat7(dims, msg)) return false;
  if (dims[1] == 0) {  // no tree at all
    m.Dims = dims;
    return true;
  }
  int64_t count = Mat7Count(dims);
  if (count < 0) count = 0;  // a negative size below an empty level holds no values
  std::unique_ptr<TValues> root;
  if (!CheckedAlloc([&] { root = std::make_unique<TValues>(static_cast<size_t>(count)); }, msg)) {
    return Tagged(msg, "AllocMat7");
  }
  m.Root = std::move(root);
  m.Dims = dims;
  return true;
}

bool CountNonZeros(TMat7& m, std::string& msg) {
  if (NilPtrError(m.Root, msg)) return false;
  m.NValues = Mat7Count(m.Dims);
  // Counted on the bits so that the loop vectorises: with the sign dropped,
  // a value counts when its magnitude lies in 1..0x7F800000, which leaves
  // out 0.0, -0.0 and every NaN (an infinity counts, as it is not 0.0).
  m.NNZ = CountNonZeroBits(m.Root->data(), static_cast<int64_t>(m.Root->size()));
  return true;
}

bool AllocMat2(TMat2& m, int32_t rows, int32_t cols, std::string& msg) {
  if (rows > MaxDimSize) {
    msg = "Too many rows(" + Num(rows) + "), max is " + Num(MaxDimSize);
    return Tagged(msg, "AllocMat2");
  }
  if (cols > MaxDimSize) {
    msg = "Too many cols(" + Num(cols) + "), max is " + Num(MaxDimSize);
    return Tagged(msg, "AllocMat2");
  }
  if (m != nullptr) {
    m.reset();
    msg = "pointer should be nil";
    Tagged(msg, "SafeGetMem");
    return Tagged(msg, "AllocMat2");
  }
  if (rows < 0 || (rows > 0 && cols < 0)) {
    msg = "Size<0";
    Tagged(msg, "SafeGetMem");
    return Tagged(msg, "AllocMat2");
  }
  if (AvailMemKB() < Mat2MemoryKB(rows, cols)) {
    msg = "Not enough memory for array size " + Num(rows) + " rows and " + Num(cols) + " columns";
    return Tagged(msg, "AllocMat2");
  }
  if (rows == 0) return true;
  const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(cols);
  if (!CheckedAlloc([&] { m = std::make_unique<TValues>(count); }, msg)) {
    m.reset();
    return Tagged(msg, "AllocMat2");
  }
  return true;
}

bool FreeMat2(TMat2& m, int32_t /*rows*/, int32_t /*cols*/, std::string& /*msg*/) {
  m.reset();
  return true;
}

}  // namespace modrask
