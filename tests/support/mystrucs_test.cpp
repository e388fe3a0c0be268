#include "modrask/support/mystrucs.h"

#include <gtest/gtest.h>

#include <string>

namespace modrask {
namespace {

// The sanitizer's allocator aborts on a failed huge allocation instead of
// throwing std::bad_alloc, so tests that need a real failure skip there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHugeAllocThrows = false;
#else
constexpr bool kHugeAllocThrows = true;
#endif

TEST(Mystrucs, PointerChecksHaveInvertedSense) {
  std::string msg = "earlier";
  auto set = std::make_unique<int>(1);
  std::unique_ptr<int> nil;
  EXPECT_FALSE(NilPtrError(set, msg));
  EXPECT_EQ(msg, "earlier");
  EXPECT_FALSE(NonNilPtrError(nil, msg));
  EXPECT_EQ(msg, "earlier");
  EXPECT_TRUE(NilPtrError(nil, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer");
  EXPECT_TRUE(NonNilPtrError(set, msg));
  EXPECT_EQ(msg, "Expected Nil Pointer");
}

TEST(Mystrucs, SafeGetMemBlock) {
  std::string msg = "untouched";
  TBlock p;
  EXPECT_TRUE(SafeGetMem(p, 0, msg));  // size 0: success, no block
  EXPECT_EQ(p, nullptr);
  EXPECT_TRUE(SafeFreeMem(p, 0, msg));
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(msg, "untouched");

  ASSERT_TRUE(SafeGetMem(p, 100, msg));
  ASSERT_NE(p, nullptr);
  int nonZero = 0;
  for (int i = 0; i < 100; ++i) nonZero += p[i] != 0;
  EXPECT_EQ(nonZero, 0);

  // A set target is refused and nil afterwards (its block released, not leaked).
  EXPECT_FALSE(SafeGetMem(p, 8, msg));
  EXPECT_EQ(msg, "pointer should be nil [SafeGetMem]");
  EXPECT_EQ(p, nullptr);

  EXPECT_FALSE(SafeGetMem(p, -1, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem]");
  EXPECT_EQ(p, nullptr);

  ASSERT_TRUE(SafeGetMem(p, 16, msg));
  EXPECT_TRUE(SafeFreeMem(p, 16, msg));
  EXPECT_EQ(p, nullptr);
}

TEST(Mystrucs, OutOfMemory) {
  if (!kHugeAllocThrows) GTEST_SKIP() << "allocation failure aborts under the sanitizer";
  std::string msg;
  TBlock p;
  EXPECT_FALSE(SafeGetMem(p, int64_t{1} << 62, msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem]");
  EXPECT_EQ(p, nullptr);
  // Within the limits but beyond any address space.
  TArr4 a;
  EXPECT_FALSE(AllocArr4(a, MaxPtr, MaxCol, msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem]");
  EXPECT_EQ(a, nullptr);
}

TEST(Mystrucs, SafeGetMemRecord) {
  struct Rec {
    int32_t a;
    double b;
  };
  std::string msg;
  std::unique_ptr<Rec> r;
  ASSERT_TRUE(SafeGetMem(r, msg));
  EXPECT_EQ(r->a, 0);
  EXPECT_EQ(r->b, 0.0);
  EXPECT_FALSE(SafeGetMem(r, msg));
  EXPECT_EQ(msg, "pointer should be nil [SafeGetMem]");
  EXPECT_EQ(r, nullptr);
}

TEST(Mystrucs, CheckedAllocTurnsBadAllocIntoMessage) {
  std::string msg = "untouched";
  EXPECT_TRUE(CheckedAlloc([] {}, msg));
  EXPECT_EQ(msg, "untouched");
  EXPECT_FALSE(CheckedAlloc([] { throw std::bad_alloc(); }, msg));
  EXPECT_EQ(msg, "Out of Memory [SafeGetMem]");
}

TEST(Mystrucs, ChkNElm) {
  std::string msg = "untouched";
  EXPECT_FALSE(ChkNElm(268435455, 268435455, "MaxCol", msg));
  EXPECT_FALSE(ChkNElm(-5, 0, "MaxPtr", msg));
  EXPECT_EQ(msg, "untouched");
  EXPECT_TRUE(ChkNElm(300000000, 268435455, "MaxCol", msg));
  EXPECT_EQ(msg, "NElm(300000000)>MaxCol(268435455)");
  EXPECT_TRUE(ChkNElm(0, -1, "MaxPtr", msg));
  EXPECT_EQ(msg, "NElm(0)>MaxPtr(-1)");
}

TEST(Mystrucs, SetPStrKeepsLongStringsWhole) {
  std::string msg = "untouched";
  std::string s = "old";
  const std::string longText(1000, 'x');
  EXPECT_TRUE(SetPStr(s, longText, msg));
  EXPECT_EQ(s, longText);
  EXPECT_EQ(msg, "untouched");
}

TEST(Mystrucs, AllocPStrVec) {
  std::string msg;
  PStrVec v;
  EXPECT_TRUE(AllocPStrVec(v, -1, msg));
  EXPECT_EQ(v, nullptr);

  ASSERT_TRUE(AllocPStrVec(v, 3, msg));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->size(), 4u);
  for (const auto& s : *v) EXPECT_TRUE(s.empty());

  EXPECT_FALSE(AllocPStrVec(v, 2, msg));
  EXPECT_EQ(msg, "pointer should be nil [SafeGetMem] [AllocPStrVec]");
  EXPECT_EQ(v, nullptr);

  EXPECT_FALSE(AllocPStrVec(v, 268435455, msg));
  EXPECT_EQ(msg, "NElm(268435455)>MaxPtr(268435454)");
  EXPECT_EQ(v, nullptr);

  EXPECT_FALSE(AllocPStrVec(v, -2, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem] [AllocPStrVec]");
  EXPECT_EQ(v, nullptr);

  ASSERT_TRUE(AllocPStrVec(v, 0, msg));
  EXPECT_TRUE(FreePStrVec(v, 0, msg));
  EXPECT_EQ(v, nullptr);
  EXPECT_TRUE(FreePStrVec(v, -1, msg));  // nil: nothing to do
}

TEST(Mystrucs, AddToPStrVecAppendsInOrder) {
  std::string msg;
  PStrVec v;
  int32_t n = -1;
  for (const char* s : {"first", "", "third"}) {
    ASSERT_TRUE(AddToPStrVec(v, s, n, msg)) << msg;
    ++n;
  }
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(v->size(), 3u);
  EXPECT_EQ((*v)[0], "first");
  EXPECT_EQ((*v)[1], "");
  EXPECT_EQ((*v)[2], "third");

  // Growth stays right over many appends.
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(AddToPStrVec(v, std::to_string(i), n, msg));
    ++n;
  }
  EXPECT_EQ(v->size(), 1003u);
  EXPECT_EQ((*v)[1002], "999");
  EXPECT_EQ((*v)[3], "0");
}

TEST(Mystrucs, AddToPStrVecFailuresLeaveTheVector) {
  std::string msg;
  PStrVec v;
  ASSERT_TRUE(AllocPStrVec(v, 1, msg));
  (*v)[0] = "a";
  EXPECT_FALSE(AddToPStrVec(v, "x", MaxPtr, msg));
  EXPECT_EQ(msg, "NElm(268435455)>MaxPtr(268435454) [AddToPStrVec]");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->size(), 2u);
  EXPECT_EQ((*v)[0], "a");

  PStrVec nil;
  EXPECT_FALSE(AddToPStrVec(nil, "x", 2, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [AddToPStrVec]");
  EXPECT_EQ(nil, nullptr);

  // A vector shorter than the caller's N is rebuilt to N+2 slots.
  ASSERT_TRUE(AddToPStrVec(v, "tail", 3, msg));
  ASSERT_EQ(v->size(), 5u);
  EXPECT_EQ((*v)[0], "a");
  EXPECT_EQ((*v)[3], "");
  EXPECT_EQ((*v)[4], "tail");
}

TEST(Mystrucs, DupePStrVec) {
  std::string msg;
  PStrVec src;
  PStrVec dest;
  int32_t maxLen = 99;
  EXPECT_FALSE(DupePStrVec(src, dest, maxLen, 3, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [DupePStrVec]");
  EXPECT_EQ(maxLen, 0);
  EXPECT_FALSE(DupePStrVec(src, dest, maxLen, -1, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [DupePStrVec]");

  ASSERT_TRUE(AllocPStrVec(src, 2, msg));
  maxLen = 99;
  ASSERT_TRUE(DupePStrVec(src, dest, maxLen, 2, msg));
  EXPECT_EQ(maxLen, 1);  // every string empty: still 1
  ASSERT_NE(dest, nullptr);
  EXPECT_EQ(dest->size(), 3u);
  dest.reset();

  (*src)[0] = "ab";
  (*src)[1] = "abcdef";
  (*src)[2] = "x";
  ASSERT_TRUE(DupePStrVec(src, dest, maxLen, 2, msg));
  EXPECT_EQ(maxLen, 6);
  EXPECT_EQ(*dest, *src);
  (*dest)[1] = "changed";  // a copy, not a shared block
  EXPECT_EQ((*src)[1], "abcdef");

  EXPECT_FALSE(DupePStrVec(src, dest, maxLen, 2, msg));
  EXPECT_EQ(msg, "Expected Nil Pointer [DupePStrVec]");
  EXPECT_EQ((*dest)[1], "changed");  // destination untouched

  PStrVec empty;
  ASSERT_TRUE(DupePStrVec(src, empty, maxLen, -1, msg));
  EXPECT_EQ(empty, nullptr);
  EXPECT_EQ(maxLen, 1);

  PStrVec big;
  EXPECT_FALSE(DupePStrVec(src, big, maxLen, 268435455, msg));
  EXPECT_EQ(msg, "NElm(268435455)>MaxPtr(268435454) [DupePStrVec]");
  EXPECT_EQ(big, nullptr);
}

TEST(Mystrucs, AllocArr4) {
  std::string msg;
  TArr4 a;
  ASSERT_TRUE(AllocArr4(a, 2, 3, msg));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->MaxRow, 2);
  EXPECT_EQ(a->MaxCol, 3);
  ASSERT_EQ(a->Cells.size(), 12u);  // three rows of four zero integers
  for (const int32_t c : a->Cells) EXPECT_EQ(c, 0);
  a->At(2, 1) = 7;
  a->At(0, 2) = 9;
  EXPECT_EQ(a->Column(1)[2], 7);  // rows of one column are together
  EXPECT_EQ(a->Cells[1 * 3 + 2], 7);
  EXPECT_EQ(a->Column(2, 0)[0], 9);

  EXPECT_FALSE(AllocArr4(a, 1, 1, msg));
  EXPECT_EQ(msg, "pointer should be nil [SafeGetMem]");
  EXPECT_EQ(a, nullptr);

  ASSERT_TRUE(AllocArr4(a, 2, 3, msg));
  EXPECT_TRUE(FreeArr4(a, 2, 3, msg));
  EXPECT_EQ(a, nullptr);
  EXPECT_TRUE(FreeArr4(a, 2, 3, msg));

  EXPECT_TRUE(AllocArr4(a, -1, 5, msg));
  EXPECT_EQ(a, nullptr);
  ASSERT_TRUE(AllocArr4(a, 4, -1, msg));  // rows with no columns
  EXPECT_TRUE(a->Cells.empty());
  a.reset();
}

TEST(Mystrucs, AllocArr4Failures) {
  std::string msg;
  TArr4 a;
  EXPECT_FALSE(AllocArr4(a, 268435455, 0, msg));
  EXPECT_EQ(msg, "NElm(268435455)>MaxPtr(268435454)");
  EXPECT_FALSE(AllocArr4(a, 0, 268435456, msg));
  EXPECT_EQ(msg, "NElm(268435456)>MaxCol(268435455)");
  EXPECT_FALSE(AllocArr4(a, -2, 0, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem]");
  EXPECT_FALSE(AllocArr4(a, 0, -2, msg));
  EXPECT_EQ(msg, "Size<0 [SafeGetMem]");
}

}  // namespace
}  // namespace modrask
