// Real values read from FULL, SPSE and 2R records crafted byte by byte.
#include "modrask/har/realread.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "har/reading_fixture.h"

namespace modrask {
namespace {

using readtest::HarRecords;
using readtest::TestValue;
using readtest::ValueAt;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// A header of sizes d (descriptor order), as the descriptor leaves it.
THeaderRec RealHead(const std::vector<int32_t>& d) {
  THeaderRec h;
  h.HeadType = "RE";
  h.Name = "TEST";
  for (int i = 1; i <= 7; ++i) h.Dims[i] = 1;
  for (size_t k = 0; k < d.size(); ++k) h.Dims[7 - k] = d[k];
  h.OrigNDim = static_cast<int32_t>(d.size());
  return h;
}

// A 2R header of `rows` x `cols`, as the descriptor leaves it.
THeaderRec MatrixHead(int32_t rows, int32_t cols) {
  THeaderRec h;
  h.HeadType = "2R";
  h.NRows = rows;
  h.NCols = cols;
  return h;
}

std::array<int32_t, 8> Sub(std::initializer_list<int32_t> s) {
  std::array<int32_t, 8> out{0, 1, 1, 1, 1, 1, 1, 1};
  int k = 1;
  for (const int32_t v : s) out[k++] = v;
  return out;
}

// The records after the name record "TEST", read in each flavour.
class RealReadTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  HarRecords recs;
  TRecFile f;
  std::string msg;

  void SetUp() override { recs.Head("TEST"); }

  void Open() {
    const std::string path = readtest::TempPath("real.har");
    ASSERT_TRUE(recs.Write(path, GetParam()));
    TFileFlavour flavour = GetParam();
    ASSERT_TRUE(readtest::OpenAtFirstHeader(f, path, flavour, msg)) << msg;
    ASSERT_EQ(flavour, GetParam());
  }
  void TearDown() override {
    if (f.IsOpen()) CloseLaheyFile(f);
  }
};

INSTANTIATE_TEST_SUITE_P(Flavours, RealReadTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST(FixNonFiniteTest, OnlyInfinitiesAndNaNsBecomeTheMark) {
  for (float v : {kNaN, -kNaN, kInf, -kInf}) {
    EXPECT_TRUE(FixNonFinite(v));
    EXPECT_EQ(v, 424242.0f);
  }
  for (const float keep :
       {0.0f, -0.0f, 1.5f, std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
        std::numeric_limits<float>::denorm_min()}) {
    float v = keep;
    EXPECT_FALSE(FixNonFinite(v));
    EXPECT_EQ(std::memcmp(&v, &keep, sizeof v), 0);
  }
}

TEST_P(RealReadTest, FullInOneChunk) {
  recs.FullDims(3, {3, 4, 2, 1, 1, 1, 1}).FullLimits(2, {1, 3, 1, 4, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1});
  std::vector<float> v;
  for (int p = 1; p <= 24; ++p) v.push_back(TestValue(p));
  recs.FullValues(1, v);
  Open();
  THeaderRec h = RealHead({3, 4, 2});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  ASSERT_EQ(h.HeadMat.Root->size(), 24u);
  for (int p = 1; p <= 24; ++p) EXPECT_EQ((*h.HeadMat.Root)[p - 1], TestValue(p));
  EXPECT_EQ(ValueAt(h, Sub({2, 3, 2})), TestValue(2 + 3 * 2 + 12 * 1));
}

TEST_P(RealReadTest, FullOneLimitsRecordPerValueInAnyOrder) {
  const int d1 = 3, d2 = 2, d3 = 2;
  const int n = d1 * d2 * d3;
  recs.FullDims(2 * n + 1, {d1, d2, d3, 1, 1, 1, 1});
  int krec = 2 * n;
  for (int p = n; p >= 1; --p) {  // backwards: order is free
    const int i1 = (p - 1) % d1 + 1, i2 = (p - 1) / d1 % d2 + 1, i3 = (p - 1) / (d1 * d2) + 1;
    recs.FullLimits(krec--, {i1, i1, i2, i2, i3, i3, 1, 1, 1, 1, 1, 1, 1, 1});
    recs.FullValues(krec--, {TestValue(p)});
  }
  Open();
  THeaderRec h = RealHead({d1, d2, d3});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  for (int p = 1; p <= n; ++p) EXPECT_EQ((*h.HeadMat.Root)[p - 1], TestValue(p)) << p;
}

TEST_P(RealReadTest, FullChunksOfMixedShapesInSevenDimensions) {
  // Sizes 4, 3, 1, 1, 1, 1, 2: chunks that are not whole runs of the first dimension.
  const std::array<int32_t, 7> d{4, 3, 1, 1, 1, 1, 2};
  struct Chunk {
    std::array<int32_t, 14> loHi;
  };
  const std::vector<Chunk> chunks = {
      {{1, 4, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {{1, 2, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {{3, 4, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {{2, 3, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2}},
      {{1, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2}}, {{4, 4, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2}}};
  recs.FullDims(static_cast<int32_t>(2 * chunks.size() + 1), d);
  auto krec = static_cast<int32_t>(2 * chunks.size());
  for (const Chunk& c : chunks) {
    std::vector<float> v;
    for (int i7 = c.loHi[12]; i7 <= c.loHi[13]; ++i7)
      for (int i2 = c.loHi[2]; i2 <= c.loHi[3]; ++i2)
        for (int i1 = c.loHi[0]; i1 <= c.loHi[1]; ++i1)
          v.push_back(TestValue(i1 + 4 * (i2 - 1) + 12 * (i7 - 1)));
    recs.FullLimits(krec--, c.loHi);
    recs.FullValues(krec--, v);
  }
  Open();
  THeaderRec h = RealHead({4, 3, 1, 1, 1, 1, 2});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  ASSERT_EQ(h.HeadMat.Root->size(), 24u);
  for (int p = 1; p <= 24; ++p) EXPECT_EQ((*h.HeadMat.Root)[p - 1], TestValue(p)) << p;
}

TEST_P(RealReadTest, FullWithASizeOfZeroReadsEmpty) {
  recs.FullDims(3, {3, 0, 2, 1, 1, 1, 1})
      .FullLimits(2, {1, 3, 1, 0, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1})
      .FullValues(1, {});
  Open();
  THeaderRec h = RealHead({3, 0, 2});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  EXPECT_EQ(h.HeadMat.Dims[6], 0);
  EXPECT_TRUE(h.HeadMat.Root == nullptr || h.HeadMat.Root->empty());
}

TEST_P(RealReadTest, FullNonFiniteValuesReadAsTheMark) {
  recs.FullDims(3, {5, 1, 1, 1, 1, 1, 1})
      .FullLimits(2, {1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})
      .FullValues(1, {1.0f, kNaN, kInf, -kInf, -2.5f});
  Open();
  THeaderRec h = RealHead({5});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  EXPECT_EQ(*h.HeadMat.Root, (TValues{1.0f, 424242.0f, 424242.0f, 424242.0f, -2.5f}));
}

// A run long enough to be decoded in blocks: the mark lands at the edges of
// the blocks and in the short tail, and finite values pass bit for bit.
TEST_P(RealReadTest, FullNonFiniteValuesInALongRun) {
  const int32_t n = 64 * 3 + 7;
  std::vector<float> values(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i)
    values[static_cast<size_t>(i)] = 0.5f * static_cast<float>(i) - 9.0f;
  values[10] = -0.0f;
  values[11] = std::numeric_limits<float>::denorm_min();
  values[12] = std::numeric_limits<float>::max();
  TValues want(values.begin(), values.end());
  for (const int32_t i : {0, 63, 64, 127, 128, 191, 192, n - 1}) {
    values[static_cast<size_t>(i)] = (i % 2 == 0) ? kNaN : -kInf;
    want[static_cast<size_t>(i)] = 424242.0f;
  }
  recs.FullDims(3, {n, 1, 1, 1, 1, 1, 1})
      .FullLimits(2, {1, n, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})
      .FullValues(1, values);
  Open();
  THeaderRec h = RealHead({n});
  ASSERT_TRUE(GetRLData(f, &h, GetParam(), msg)) << msg;
  ASSERT_EQ(h.HeadMat.Root->size(), want.size());
  EXPECT_EQ(std::memcmp(h.HeadMat.Root->data(), want.data(), want.size() * 4), 0);
}

TEST_P(RealReadTest, FullBlocksOutsideTheArrayAreRefused) {
  struct Case {
    std::array<int32_t, 14> loHi;
    const char* msg;
  };
  const Case cases[] = {
      {{0, 3, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
       "RL block outside array: dimension 1 from 0 to 3, size 3 [GetRLData]"},
      {{1, 3, 2, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
       "RL block outside array: dimension 2 from 2 to 5, size 4 [GetRLData]"},
      {{1, 3, 1, 4, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1},
       "RL block outside array: dimension 7 from 3 to 1, size 1 [GetRLData]"},
      {{1, 3, 1, 4, -5, -7, 1, 1, 1, 1, 1, 1, 1, 1},
       "RL block outside array: dimension 3 from -5 to -7, size 1 [GetRLData]"},
  };
  for (const Case& c : cases) {
    HarRecords r;
    r.Head("TEST").FullDims(3, {3, 4, 1, 1, 1, 1, 1}).FullLimits(2, c.loHi).FullValues(1, {});
    recs = r;
    if (f.IsOpen()) CloseLaheyFile(f);
    Open();
    THeaderRec h = RealHead({3, 4});
    msg.clear();
    EXPECT_FALSE(GetRLData(f, &h, GetParam(), msg));
    EXPECT_EQ(msg, c.msg);
  }
}

TEST_P(RealReadTest, FullValuesNotMatchingTheirLimits) {
  recs.FullDims(3, {3, 1, 1, 1, 1, 1, 1})
      .FullLimits(2, {1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})
      .FullValues(1, {1, 2});
  Open();
  THeaderRec h = RealHead({3});
  EXPECT_FALSE(GetRLData(f, &h, GetParam(), msg));
  EXPECT_EQ(msg, "RL record wrong length [GetRLData]");
}

TEST_P(RealReadTest, FullShortDimensionRecordAndMissingValues) {
  recs.RecBuf({3, 7, 3, 1, 1});  // 20 bytes of a 36-byte structure
  Open();
  THeaderRec h = RealHead({3});
  EXPECT_FALSE(GetRLData(f, &h, GetParam(), msg));
  EXPECT_EQ(msg, "Record too Short 24/40 [GetRecBuf] [GetRLData]");
}

TEST_P(RealReadTest, FullEndOfFileBeforeTheValues) {
  recs.FullDims(3, {3, 1, 1, 1, 1, 1, 1}).FullLimits(2, {1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  Open();
  THeaderRec h = RealHead({3});
  EXPECT_FALSE(GetRLData(f, &h, GetParam(), msg));
  EXPECT_EQ(msg, " [GetRecBuf] [GetRLData]");
}

TEST_P(RealReadTest, SparseWithNoEntriesIsAllZero) {
  recs.SpseCount(0).SpseEntries(1, 0, {}, {});
  Open();
  THeaderRec h = RealHead({4, 2});
  ASSERT_TRUE(GetRLSparseData(f, &h, GetParam(), msg)) << msg;
  EXPECT_EQ(*h.HeadMat.Root, TValues(8, 0.0f));
}

TEST_P(RealReadTest, SparseEntriesOverTwoRecordsWithNonFiniteValues) {
  recs.SpseCount(5)
      .SpseEntries(2, 5, {1, 7, 20}, {1.5f, kNaN, -kInf})
      .SpseEntries(1, 5, {12, 3}, {kInf, -3.0f});
  Open();
  THeaderRec h = RealHead({5, 4});
  ASSERT_TRUE(GetRLSparseData(f, &h, GetParam(), msg)) << msg;
  TValues want(20, 0.0f);
  want[0] = 1.5f;
  want[6] = 424242.0f;
  want[19] = 424242.0f;
  want[11] = 424242.0f;
  want[2] = -3.0f;
  EXPECT_EQ(*h.HeadMat.Root, want);
  EXPECT_EQ(ValueAt(h, Sub({2, 2})), 424242.0f);  // position 7 = (2, 2)
}

// With the file's reading option that keeps them, NaN (with its sign and
// payload) and the infinities arrive as stored, in FULL blocks and tails, in
// SPSE and in 2R.
TEST_P(RealReadTest, NonFiniteValuesKeptAsStored) {
  const int32_t n = 64 * 2 + 5;
  std::vector<float> values(static_cast<size_t>(n), 1.25f);
  const float payload = std::bit_cast<float>(0x7FC01234u);
  for (const int32_t i : {0, 63, 64, n - 1}) values[static_cast<size_t>(i)] = kNaN;
  values[1] = -kNaN;
  values[2] = payload;
  values[65] = kInf;
  values[n - 2] = -kInf;
  recs.FullDims(3, {n, 1, 1, 1, 1, 1, 1})
      .FullLimits(2, {1, n, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})
      .FullValues(1, values);
  recs.SpseCount(3).SpseEntries(1, 3, {1, 2, 4}, {payload, -kInf, 2.0f});
  recs.Block2R(1, 1, 3, 1, 1, 1, 3, {1, kNaN, -kInf});
  Open();
  f.Reading.KeepNonFinite = true;
  {
    THeaderRec full = RealHead({n});
    ASSERT_TRUE(GetRLData(f, &full, GetParam(), msg)) << msg;
    ASSERT_EQ(full.HeadMat.Root->size(), values.size());
    EXPECT_EQ(std::memcmp(full.HeadMat.Root->data(), values.data(), values.size() * 4), 0);
    THeaderRec sparse = RealHead({4});
    ASSERT_TRUE(GetRLSparseData(f, &sparse, GetParam(), msg)) << msg;
    const TValues want{payload, -kInf, 0.0f, 2.0f};
    EXPECT_EQ(std::memcmp(sparse.HeadMat.Root->data(), want.data(), want.size() * 4), 0);
    THeaderRec matrix = MatrixHead(1, 3);
    TMat2 m;
    ASSERT_TRUE(Get2RData(f, &matrix, m, GetParam(), msg)) << msg;
    ASSERT_TRUE(Turn2RtoRL(&matrix, m, msg)) << msg;
    const TValues row{1, kNaN, -kInf};
    EXPECT_EQ(std::memcmp(matrix.HeadMat.Root->data(), row.data(), row.size() * 4), 0);
  }
}

TEST_P(RealReadTest, SparsePositionsInSevenDimensions) {
  // Sizes 2, 3, 1, 2, 1, 1, 2: position 9 is (1, 2, 1, 2, 1, 1, 1), 24 the last value.
  recs.SpseCount(2).SpseEntries(1, 2, {9, 24}, {7.0f, 8.0f});
  Open();
  THeaderRec h = RealHead({2, 3, 1, 2, 1, 1, 2});
  ASSERT_TRUE(GetRLSparseData(f, &h, GetParam(), msg)) << msg;
  EXPECT_EQ(ValueAt(h, Sub({1, 2, 1, 2, 1, 1, 1})), 7.0f);
  EXPECT_EQ(ValueAt(h, Sub({2, 3, 1, 2, 1, 1, 2})), 8.0f);
  int nonZero = 0;
  for (const float v : *h.HeadMat.Root) nonZero += v != 0.0f;
  EXPECT_EQ(nonZero, 2);
}

TEST_P(RealReadTest, SparseRefusals) {
  struct Case {
    std::function<void(HarRecords&)> build;
    std::vector<int32_t> dims;
    const char* msg;
  };
  const std::vector<Case> cases = {
      {[](HarRecords& r) { r.SpseCount(1, 8, 4); },
       {3},
       "Expected 4 byte integer and reals: found 8  4 [GetRLSparseData]"},
      {[](HarRecords& r) { r.SpseCount(1, 4, 2); },
       {3},
       "Expected 4 byte integer and reals: found 4  2 [GetRLSparseData]"},
      {[](HarRecords& r) {
         r.SpseCount(3).RecBuf({1, 3, 3}, readtest::Bytes().Ints({1, 2, 3}).Reals({1, 2}));
       },
       {3},
       "Nhere(3) <>(Extra(5) div 2) at KREC=1 [GetRLSparseData]"},
      {[](HarRecords& r) {
         r.SpseCount(2).SpseEntries(1, 3, {1, 2}, {1, 2});
       },
       {3},
       "TOTAL <> NNZ [GetRLSparseData]"},
      {[](HarRecords& r) {
         r.SpseCount(3).SpseEntries(1, 3, {1, 2}, {1, 2});
       },
       {3},
       "NRead(2) <> NNZ(3) [GetRLSparseData]"},
      {[](HarRecords& r) { r.SpseCount(1).SpseEntries(1, 1, {0}, {1}); },
       {3},
       "SPSE position 0 outside 1..3 at KREC=1 [GetRLSparseData]"},
      {[](HarRecords& r) {
         r.SpseCount(2).SpseEntries(2, 2, {3}, {1}).SpseEntries(1, 2, {4}, {1});
       },
       {3},
       "SPSE position 4 outside 1..3 at KREC=1 [GetRLSparseData]"},
      {[](HarRecords& r) { r.SpseCount(1).SpseEntries(1, 1, {-2147483647 - 1}, {1}); },
       {3},
       "SPSE position -2147483648 outside 1..3 at KREC=1 [GetRLSparseData]"},
      {[](HarRecords& r) { r.SpseCount(1).SpseEntries(1, 1, {1}, {1}); },
       {3, 0},
       "SPSE position 1 outside 1..0 at KREC=1 [GetRLSparseData]"},
      {[](HarRecords& r) {
         r.RecBuf({0, 4});
       },
       {3},
       "Record too Short 12/16 [GetRecBuf] [GetRLSparseData]"},
  };
  for (const Case& c : cases) {
    HarRecords r;
    r.Head("TEST");
    c.build(r);
    recs = r;
    if (f.IsOpen()) CloseLaheyFile(f);
    Open();
    THeaderRec h = RealHead(c.dims);
    msg.clear();
    EXPECT_FALSE(GetRLSparseData(f, &h, GetParam(), msg));
    EXPECT_EQ(msg, c.msg);
  }
}

TEST_P(RealReadTest, Matrix2ROfOneRowIsOneDimensional) {
  recs.Block2R(1, 1, 5, 1, 1, 1, 5, {1, 2, kNaN, 4, 5});
  Open();
  THeaderRec h;
  h.HeadType = "2R";
  h.NRows = 1;
  h.NCols = 5;
  TMat2 m;
  ASSERT_TRUE(Get2RData(f, &h, m, GetParam(), msg)) << msg;
  ASSERT_TRUE(Turn2RtoRL(&h, m, msg)) << msg;
  EXPECT_EQ(h.HeadType, "RL");
  EXPECT_EQ(h.OrigNDim, 1);
  EXPECT_EQ(h.Dims, (TDims7{0, 1, 1, 1, 1, 1, 1, 5}));
  EXPECT_EQ(h.HeadMat.Dims, h.Dims);
  EXPECT_EQ(*h.HeadMat.Root, (TValues{1, 2, 424242.0f, 4, 5}));
  EXPECT_EQ(m, nullptr);
}

TEST_P(RealReadTest, Matrix2ROfOneColumnIsOneDimensional) {
  recs.Block2R(1, 5, 1, 1, 5, 1, 1, {1, 2, 3, 4, kInf});
  Open();
  THeaderRec h;
  h.HeadType = "2R";
  h.NRows = 5;
  h.NCols = 1;
  TMat2 m;
  ASSERT_TRUE(Get2RData(f, &h, m, GetParam(), msg)) << msg;
  ASSERT_TRUE(Turn2RtoRL(&h, m, msg)) << msg;
  EXPECT_EQ(h.OrigNDim, 1);
  EXPECT_EQ(h.Dims, (TDims7{0, 1, 1, 1, 1, 1, 1, 5}));
  EXPECT_EQ(*h.HeadMat.Root, (TValues{1, 2, 3, 4, 424242.0f}));
}

TEST_P(RealReadTest, Matrix2RInColumnBlocksIsAdoptedWithoutACopy) {
  // 3 x 4: columns 1-3 in one record, column 4 rows 1-2 and row 3 in two more.
  recs.Block2R(3, 3, 4, 1, 3, 1, 3, {11, 21, 31, 12, 22, 32, 13, 23, 33})
      .Block2R(2, 0, 0, 1, 2, 4, 4, {14, 24})
      .Block2R(1, 9, 9, 3, 3, 4, 4, {kNaN});
  Open();
  THeaderRec h;
  h.HeadType = "2R";
  h.NRows = 3;
  h.NCols = 4;
  TMat2 m;
  ASSERT_TRUE(Get2RData(f, &h, m, GetParam(), msg)) << msg;
  const float* cells = m->data();
  ASSERT_TRUE(Turn2RtoRL(&h, m, msg)) << msg;
  EXPECT_EQ(h.HeadMat.Root->data(), cells);
  EXPECT_EQ(h.OrigNDim, 2);
  EXPECT_EQ(h.Dims, (TDims7{0, 1, 1, 1, 1, 1, 4, 3}));
  EXPECT_EQ(*h.HeadMat.Root, (TValues{11, 21, 31, 12, 22, 32, 13, 23, 33, 14, 24, 424242.0f}));
  EXPECT_EQ(ValueAt(h, Sub({2, 4})), 24.0f);
}

TEST_P(RealReadTest, Matrix2RWithNoRowsIsEmpty) {
  recs.Block2R(1, 0, 3, 1, 0, 1, 3, {});
  Open();
  THeaderRec h;
  h.HeadType = "2R";
  h.NRows = 0;
  h.NCols = 3;
  TMat2 m;
  ASSERT_TRUE(Get2RData(f, &h, m, GetParam(), msg)) << msg;
  ASSERT_TRUE(Turn2RtoRL(&h, m, msg)) << msg;
  EXPECT_EQ(h.HeadType, "RL");
  EXPECT_EQ(h.Dims[7], 0);
  EXPECT_EQ(h.Dims[6], 3);
  EXPECT_EQ(h.OrigNDim, 2);
  ASSERT_NE(h.HeadMat.Root, nullptr);
  EXPECT_TRUE(h.HeadMat.Root->empty());
}

TEST_P(RealReadTest, Matrix2RRefusalsReleaseTheMatrix) {
  struct Case {
    std::vector<int32_t> rec;
    std::vector<float> values;
    const char* msg;
  };
  const Case cases[] = {
      {{1, 3, 2, 2, 4, 1, 1},
       {1, 2, 3},
       "2R block outside array: dimension 1 from 2 to 4, size 3 [Get2RData]"},
      {{1, 3, 2, 1, 3, 0, 1},
       {1, 2, 3, 4, 5, 6},
       "2R block outside array: dimension 2 from 0 to 1, size 2 [Get2RData]"},
      {{1, 3, 2, 3, 1, 1, 1},
       {},
       "2R block outside array: dimension 1 from 3 to 1, size 3 [Get2RData]"},
      {{1, 3, 2, 1, 3, 1, 2}, {1, 2, 3, 4, 5}, "2R record wrong length [Get2RData]"},
  };
  for (const Case& c : cases) {
    HarRecords r;
    r.Head("TEST").RecBuf(c.rec, readtest::Bytes().Reals(c.values));
    recs = r;
    if (f.IsOpen()) CloseLaheyFile(f);
    Open();
    THeaderRec h;
    h.HeadType = "2R";
    h.NRows = 3;
    h.NCols = 2;
    TMat2 m;
    msg.clear();
    EXPECT_FALSE(Get2RData(f, &h, m, GetParam(), msg));
    EXPECT_EQ(msg, c.msg);
    EXPECT_EQ(m, nullptr);
  }
}

TEST(RealReadNil, NilHeaders) {
  TRecFile f;
  std::string msg;
  TMat2 m;
  EXPECT_FALSE(GetRLData(f, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [GetRLData]");
  EXPECT_FALSE(GetRLSparseData(f, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [GetRLSparseData]");
  EXPECT_FALSE(Get2RData(f, nullptr, m, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Get2RData]");
  EXPECT_FALSE(Turn2RtoRL(nullptr, m, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Turn2RtoRL]");
}

}  // namespace
}  // namespace modrask
