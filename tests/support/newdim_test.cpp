#include "modrask/support/newdim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "modrask/support/memstat.h"

namespace modrask {
namespace {

// The sanitizer's allocator aborts on a failed huge allocation instead of
// throwing std::bad_alloc, so tests that need a real failure skip there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHugeAllocThrows = false;
#else
constexpr bool kHugeAllocThrows = true;
#endif

TDims7 Dims(int32_t d1, int32_t d2, int32_t d3, int32_t d4, int32_t d5, int32_t d6, int32_t d7) {
  return TDims7{0, d1, d2, d3, d4, d5, d6, d7};
}

// Lowers the usable memory for one test and restores the host figure after.
class MemoryOverride {
 public:
  explicit MemoryOverride(int64_t kb) { OverrideAvailMemKB(kb); }
  ~MemoryOverride() { OverrideAvailMemKB(std::nullopt); }
  MemoryOverride(const MemoryOverride&) = delete;
  MemoryOverride& operator=(const MemoryOverride&) = delete;
};

bool IsEmpty(const TMat7& m) {
  return m.Root == nullptr && m.Dims == TDims7{} && m.NNZ == 0 && m.NValues == 0;
}

TEST(Newdim, EstimateOfTheLargeExample) {
  int64_t reals = -1;
  int64_t pointers = -1;
  int64_t heap = -1;
  const TDims7 d = Dims(1, 1, 1, 1, 1, 1000, 2000);
  EXPECT_EQ(Mat7MemoryKB(d, &reals, &pointers, &heap), 7824);
  EXPECT_EQ(reals, 7812);  // 8,000,000 bytes = 7812.5 KiB, tie to even
  EXPECT_EQ(pointers, 4);  // 1005 references, 4020 bytes
  EXPECT_EQ(heap, 8);      // innermost size even: twice 4020 bytes
  EXPECT_EQ(Mat7MemoryKB(d), 7824);
  EXPECT_EQ(Mat7Count(d), 2000000);
}

TEST(Newdim, EstimateRounding) {
  int64_t reals = 0;
  int64_t pointers = 0;
  int64_t heap = 0;
  // 128 values = 512 bytes = 0.5 KiB: ties to the even 0; 384 values = 1.5 KiB -> 2.
  Mat7MemoryKB(Dims(1, 1, 1, 1, 1, 1, 128), &reals, nullptr, nullptr);
  EXPECT_EQ(reals, 0);
  Mat7MemoryKB(Dims(1, 1, 1, 1, 1, 1, 384), &reals, nullptr, nullptr);
  EXPECT_EQ(reals, 2);
  Mat7MemoryKB(Dims(1, 1, 1, 1, 1, 1, 129), &reals, nullptr, nullptr);  // 516 bytes
  EXPECT_EQ(reals, 1);
  // Odd innermost size: heap equals the references. 1 + 1*(1 + 1*(...(1 + 255))) = 261 refs.
  Mat7MemoryKB(Dims(1, 1, 1, 1, 1, 256, 3), &reals, &pointers, &heap);
  EXPECT_EQ(pointers, 1);  // 1044 bytes
  EXPECT_EQ(heap, 1);
  Mat7MemoryKB(Dims(1, 1, 1, 1, 1, 256, 4), &reals, &pointers, &heap);
  EXPECT_EQ(heap, 2);  // 2088 bytes
  EXPECT_EQ(Mat7MemoryKB(Dims(0, 5, 5, 5, 5, 5, 5)), 0);
}

TEST(Newdim, EstimateDoesNotOverflow) {
  const TDims7 d =
      Dims(MaxDimSize, MaxDimSize, MaxDimSize, MaxDimSize, MaxDimSize, MaxDimSize, MaxDimSize);
  const int64_t kb = Mat7MemoryKB(d);
  EXPECT_GT(kb, int64_t{1} << 50);
  std::string msg;
  TMat7 m;
  EXPECT_FALSE(AllocMat7(m, d, msg));
  EXPECT_TRUE(IsEmpty(m));
  EXPECT_GT(Mat2MemoryKB(MaxDimSize, MaxDimSize), int64_t{1} << 40);
}

TEST(Newdim, Mat2Estimate) {
  EXPECT_EQ(Mat2MemoryKB(0, 0), 0);
  // 256 x 1024: reals 1 MiB = 1024 KiB; 1024 bytes of references = 1 KiB; even rows: heap 2 KiB.
  EXPECT_EQ(Mat2MemoryKB(256, 1024), 1024 + 1 + 2);
  // 255 rows odd: 1020 bytes refs -> 1, heap 1; reals 255*4 = 1020 -> 1.
  EXPECT_EQ(Mat2MemoryKB(255, 1), 3);
}

TEST(Newdim, DimsProductText) {
  const TDims7 d = Dims(1, 1, 1, 1, 1, 1000, 2000);
  EXPECT_EQ(DimsProductText(d, 7), "2000*1000*1*1*1*1*1");
  EXPECT_EQ(DimsProductText(d, 0), "1");
  EXPECT_EQ(DimsProductText(d, 1), "2000");
  EXPECT_EQ(DimsProductText(d, 2), "2000*1000");
  EXPECT_EQ(DimsProductText(Dims(7, 6, 5, 4, 3, 2, 1), 7), "1*2*3*4*5*6*7");
}

TEST(Newdim, AllocMat7BuildsZeroFilledValues) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, 5), msg)) << msg;
  ASSERT_NE(m.Root, nullptr);
  EXPECT_EQ(m.Root->size(), 5u);
  for (const float v : *m.Root) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(m.Dims, Dims(1, 1, 1, 1, 1, 1, 5));
  EXPECT_TRUE(FreeMat7(m, msg));
  EXPECT_TRUE(IsEmpty(m));

  ASSERT_TRUE(AllocMat7(m, Dims(2, 1, 1, 1, 1, 3, 4), msg));
  EXPECT_EQ(m.Root->size(), 24u);
  FreeMat7(m, msg);
}

TEST(Newdim, AllocMat7ReleasesWhatTheRecordHeld) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 2, 3), msg));
  (*m.Root)[4] = 3.5f;
  ASSERT_TRUE(CountNonZeros(m, msg));
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 3, 3), msg));
  EXPECT_EQ(m.Root->size(), 9u);
  for (const float v : *m.Root) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(m.NNZ, 0);
  EXPECT_EQ(m.NValues, 0);
  FreeMat7(m, msg);
}

TEST(Newdim, ZeroSizes) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(0, 1, 1, 1, 1, 1, 5), msg));
  EXPECT_EQ(m.Root, nullptr);
  EXPECT_FALSE(CountNonZeros(m, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer");

  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 4, 0), msg));
  ASSERT_NE(m.Root, nullptr);
  EXPECT_TRUE(m.Root->empty());
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NValues, 0);
  EXPECT_EQ(m.NNZ, 0);

  // Below an empty level a negative size is never reached.
  ASSERT_TRUE(AllocMat7(m, Dims(3, 0, -4, 1, 1, 1, 1), msg)) << msg;
  ASSERT_NE(m.Root, nullptr);
  EXPECT_TRUE(m.Root->empty());
  FreeMat7(m, msg);
}

TEST(Newdim, DimensionTooLargeEmptiesTheRecord) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 2, 2), msg));
  (*m.Root)[0] = 1.0f;
  EXPECT_FALSE(AllocMat7(m, Dims(1, 1, 268435455, 1, 1, 1, 1), msg));
  EXPECT_EQ(msg, "Dimension too large(268435455), max is 268435454 [AllocMat7]");
  EXPECT_TRUE(IsEmpty(m));
  // Only the first offending slot is named.
  EXPECT_FALSE(AllocMat7(m, Dims(1, 300000000, 1, 1, 1, 1, 2147483647), msg));
  EXPECT_EQ(msg, "Dimension too large(300000000), max is 268435454 [AllocMat7]");
}

TEST(Newdim, NegativeSize) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, 1), msg));
  EXPECT_FALSE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, -1), msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem] [AllocMat7]");
  EXPECT_TRUE(IsEmpty(m));
  // Two negative sizes whose product looks large are still a negative size.
  EXPECT_FALSE(AllocMat7(m, Dims(-100000, -100000, 1, 1, 1, 1, 1), msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem] [AllocMat7]");
}

TEST(Newdim, NotEnoughMemoryBreakdown) {
  const TDims7 d = Dims(1, 1, 1, 1, 1, 1000, 2000);
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, 3), msg));
  {
    MemoryOverride low(7823);
    EXPECT_FALSE(AllocMat7(m, d, msg));
    EXPECT_EQ(msg,
              "Not enough memory for array size (2000*1000*1*1*1*1*1) \r\n"
              "Required: 7 MB, [Reals:7MB, Pointers:0MB, Heap:0MB]\r\n"
              "Available: 7 MB. \r\n [AllocMat7]");
    EXPECT_TRUE(IsEmpty(m));
  }
  {
    MemoryOverride exact(7824);  // equal is enough
    ASSERT_TRUE(AllocMat7(m, d, msg)) << msg;
    EXPECT_EQ(m.Root->size(), 2000000u);
  }
  {
    MemoryOverride negative(-1);
    EXPECT_FALSE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, 1), msg));
    EXPECT_EQ(msg,
              "Not enough memory for array size (1*1*1*1*1*1*1) \r\n"
              "Required: 0 MB, [Reals:0MB, Pointers:0MB, Heap:0MB]\r\n"
              "Available: 0 MB. \r\n [AllocMat7]");
  }
  FreeMat7(m, msg);
}

TEST(Newdim, OutOfMemoryWhenTheEstimatePasses) {
  MemoryOverride plenty(std::numeric_limits<int64_t>::max());
  std::string msg;
  TMat7 m;
  // More values than a vector can count.
  EXPECT_FALSE(AllocMat7(m, Dims(MaxDimSize, MaxDimSize, MaxDimSize, 1, 1, 1, 1), msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem] [AllocMat7]");
  EXPECT_TRUE(IsEmpty(m));
}

TEST(Newdim, OutOfMemoryFromTheAllocator) {
  if (!kHugeAllocThrows) GTEST_SKIP() << "allocation failure aborts under the sanitizer";
  MemoryOverride plenty(std::numeric_limits<int64_t>::max());
  std::string msg;
  TMat7 m;
  // A countable block larger than the address space.
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, 2), msg));
  EXPECT_FALSE(AllocMat7(m, Dims(1, 1, 1, 1, 1, MaxDimSize, MaxDimSize), msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem] [AllocMat7]");
  EXPECT_TRUE(IsEmpty(m));
}

TEST(Newdim, CountNonZeros) {
  std::string msg;
  TMat7 m;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 2, 3), msg));
  (*m.Root)[0] = 0.0f;
  (*m.Root)[1] = -0.0f;
  (*m.Root)[2] = 1.5f;
  (*m.Root)[5] = -2.0f;
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NNZ, 2);
  EXPECT_EQ(m.NValues, 6);
  (*m.Root)[3] = std::numeric_limits<float>::quiet_NaN();
  (*m.Root)[4] = std::numeric_limits<float>::denorm_min();
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NNZ, 3);
  FreeMat7(m, msg);
  TMat7 empty;
  msg = "before";
  EXPECT_FALSE(CountNonZeros(empty, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer");
}

// Infinities of both signs count, NaNs of any sign or payload do not, and
// the count carries across the parts in which it is summed (2^20 values).
TEST(Newdim, CountNonZerosEdgeBitsAndLongArrays) {
  std::string msg;
  TMat7 m;
  const int32_t n = (1 << 21) + 3;
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, n), msg));
  TValues& v = *m.Root;
  v[0] = std::numeric_limits<float>::infinity();
  v[1] = -std::numeric_limits<float>::infinity();
  v[2] = -std::numeric_limits<float>::quiet_NaN();
  v[3] = std::numeric_limits<float>::signaling_NaN();
  v[4] = std::numeric_limits<float>::max();
  v[5] = -std::numeric_limits<float>::denorm_min();
  v[(1 << 20) - 1] = 1.0f;  // last of the first part
  v[1 << 20] = 2.0f;        // first of the second
  v[static_cast<size_t>(n) - 1] = 3.0f;
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NNZ, 7);
  EXPECT_EQ(m.NValues, n);
}

// A new array is all zeros however it is made, also after a larger one was
// released (calloc hands back cleared memory, not the old values).
TEST(Newdim, NewArraysAreZeroAfterReuse) {
  std::string msg;
  TMat7 m;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 300, 1000), msg));
    ASSERT_TRUE(CountNonZeros(m, msg));
    EXPECT_EQ(m.NNZ, 0) << "round " << round;
    for (float& x : *m.Root) x = 7.0f;
    FreeMat7(m, msg);
  }
}

// A block large enough to be advised onto large pages is zero-filled and
// holds what is put in it at both ends and across a 2 MiB boundary.
TEST(Newdim, LargeAdvisedArrayIsZeroAndUsable) {
  std::string msg;
  TMat7 m;
  const int32_t n = 3 * (1 << 20) + 5;  // 12 MiB of values
  ASSERT_TRUE(AllocMat7(m, Dims(1, 1, 1, 1, 1, 1, n), msg));
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NNZ, 0);
  TValues& v = *m.Root;
  const size_t last = static_cast<size_t>(n) - 1;
  v[0] = 1.0f;
  v[(1 << 19) - 1] = 2.0f;
  v[1 << 19] = 3.0f;
  v[last] = 4.0f;
  ASSERT_TRUE(CountNonZeros(m, msg));
  EXPECT_EQ(m.NNZ, 4);
  EXPECT_EQ(v[(1 << 19) - 1] + v[1 << 19] + v[last], 9.0f);
}

TEST(Newdim, AllocMat2) {
  std::string msg;
  TMat2 m;
  ASSERT_TRUE(AllocMat2(m, 3, 4, msg));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->size(), 12u);
  for (const float v : *m) EXPECT_EQ(v, 0.0f);
  EXPECT_FALSE(AllocMat2(m, 3, 4, msg));
  EXPECT_EQ(msg, "pointer should be nil [SafeGetMem] [AllocMat2]");
  EXPECT_EQ(m, nullptr);
  EXPECT_TRUE(FreeMat2(m, 3, 4, msg));  // nil: nothing to do

  ASSERT_TRUE(AllocMat2(m, 0, 5, msg));
  EXPECT_EQ(m, nullptr);
  ASSERT_TRUE(AllocMat2(m, 2, 0, msg));
  ASSERT_NE(m, nullptr);
  EXPECT_TRUE(m->empty());
  EXPECT_TRUE(FreeMat2(m, 2, 0, msg));
  EXPECT_EQ(m, nullptr);
}

TEST(Newdim, AllocMat2Failures) {
  std::string msg;
  TMat2 m;
  EXPECT_FALSE(AllocMat2(m, 268435455, 1, msg));
  EXPECT_EQ(msg, "Too many rows(268435455), max is 268435454 [AllocMat2]");
  EXPECT_FALSE(AllocMat2(m, 1, 268435455, msg));
  EXPECT_EQ(msg, "Too many cols(268435455), max is 268435454 [AllocMat2]");
  EXPECT_FALSE(AllocMat2(m, -1, 1, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem] [AllocMat2]");
  EXPECT_FALSE(AllocMat2(m, 1, -1, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem] [AllocMat2]");
  {
    MemoryOverride low(1026);
    EXPECT_FALSE(AllocMat2(m, 256, 1024, msg));
    EXPECT_EQ(msg, "Not enough memory for array size 256 rows and 1024 columns [AllocMat2]");
    EXPECT_EQ(m, nullptr);
  }
}

TEST(Newdim, AllocMat2OutOfMemory) {
  if (!kHugeAllocThrows) GTEST_SKIP() << "allocation failure aborts under the sanitizer";
  MemoryOverride plenty(std::numeric_limits<int64_t>::max());
  std::string msg;
  TMat2 m;
  EXPECT_FALSE(AllocMat2(m, MaxDimSize, MaxDimSize, msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem] [AllocMat2]");
  EXPECT_EQ(m, nullptr);
}

}  // namespace
}  // namespace modrask
