#include "modrask/har/realwrite.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <limits>
#include <optional>
#include <random>

#include "modrask/har/harwrite.h"
#include "modrask/har/realplan.h"
#include "har/writerecs_fixture.h"

namespace modrask {
namespace {

using wtest::IntAt;
using wtest::MakeReal;
using wtest::RealAt;
using wtest::Struc;
using wtest::TextAt;
using wtest::TRecord;

constexpr TFileFlavour kFlavours[] = {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu};

std::vector<float> Counting(size_t n) {
  std::vector<float> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<float>(i + 1);
  return v;
}

// n values of which nnz (at most n) are non-zero; 7 is prime to every n used.
std::vector<float> WithNonZeros(size_t n, size_t nnz) {
  std::vector<float> v(n, 0.0f);
  for (size_t i = 0; i < nnz; ++i) v[(i * 7) % n] = 1.5f;
  return v;
}

class RealWrite : public ::testing::Test {
 protected:
  // Writes one header and reads its records back; empty when writing failed.
  std::vector<TRecord> Write(THeaderRec* head, TFileFlavour flavour) {
    const std::string path = dir_.Path("one.har");
    std::string msg;
    if (!wtest::WriteOneHeader(path, head, flavour, options_, msg)) {
      ADD_FAILURE() << msg;
      return {};
    }
    std::vector<TRecord> recs;
    TFileFlavour found = flavour;
    EXPECT_TRUE(wtest::ReadRecords(path, recs, found, msg)) << msg;
    EXPECT_EQ(found, flavour);
    return recs;
  }

  // The failure message of writing one header; the file must not appear.
  std::string WriteFails(THeaderRec* head) {
    std::string msg;
    EXPECT_FALSE(
        wtest::WriteOneHeader(dir_.Path("bad.har"), head, TFileFlavour::NewFujitsu, options_, msg));
    EXPECT_TRUE(dir_.Entries().empty());
    return msg;
  }

  wtest::ScratchDir dir_;
  TWriteOptions options_{.SparseThreshold = 60};
};

void ExpectInts(const TRecord& rec, const std::vector<int32_t>& ints) {
  ASSERT_EQ(rec.size(), 4 + 4 * ints.size());
  EXPECT_EQ(TextAt(rec, 0, 4), "    ");
  for (size_t i = 0; i < ints.size(); ++i) EXPECT_EQ(Struc(rec, i), ints[i]) << "integer " << i;
}

void ExpectDescriptor(const TRecord& rec, const std::string& type, const std::string& storage,
                      const std::vector<int32_t>& sizes) {
  ASSERT_EQ(rec.size(), 4u + 76u + 32u);
  EXPECT_EQ(TextAt(rec, 4, 2), type);
  EXPECT_EQ(TextAt(rec, 6, 4), storage);
  EXPECT_EQ(IntAt(rec, 80), 7);
  for (size_t k = 0; k < 7; ++k)
    EXPECT_EQ(IntAt(rec, 84 + 4 * k), k < sizes.size() ? sizes[k] : 1) << "size " << k + 1;
}

// A values record: KREC and then the values first..first+n-1 of `v`.
void ExpectValues(const TRecord& rec, int32_t krec, const std::vector<float>& v, size_t first,
                  size_t n) {
  ASSERT_EQ(rec.size(), 8 + 4 * n);
  EXPECT_EQ(Struc(rec, 0), krec);
  size_t bad = 0;
  for (size_t i = 0; i < n; ++i) bad += RealAt(rec, 8 + 4 * i) != v[first + i] ? 1 : 0;
  EXPECT_EQ(bad, 0u) << "values differ in the record with KREC " << krec;
}

TEST_F(RealWrite, ChunkPlanOf100By100) {
  for (const TFileFlavour flavour : kFlavours) {
    const std::vector<float> v = Counting(10000);
    PHeaderRec head = MakeReal("AB", {100, 100}, v);
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_EQ(recs.size(), 7u);
    EXPECT_EQ(TextAt(recs[0], 0, 4), "AB  ");
    ExpectDescriptor(recs[1], "RL", "FULL", {100, 100});
    ExpectInts(recs[2], {5, 7, 100, 100, 1, 1, 1, 1, 1});
    ExpectInts(recs[3], {4, 1, 100, 1, 70, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    ExpectValues(recs[4], 3, v, 0, 7000);
    ExpectInts(recs[5], {2, 1, 100, 71, 100, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    ExpectValues(recs[6], 1, v, 7000, 3000);
  }
}

TEST_F(RealWrite, ChunkPlanOf10000By3) {
  for (const TFileFlavour flavour : kFlavours) {
    const std::vector<float> v = Counting(30000);
    PHeaderRec head = MakeReal("BIG", {10000, 3}, v);
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_EQ(recs.size(), 3u + 12u);
    ExpectInts(recs[2], {13, 7, 10000, 3, 1, 1, 1, 1, 1});
    for (int32_t c = 0; c < 6; ++c) {
      const int32_t i2 = c / 2 + 1;
      const bool second = c % 2 == 1;
      const int32_t lo = second ? 7001 : 1, hi = second ? 10000 : 7000;
      SCOPED_TRACE("chunk " + std::to_string(c));
      ExpectInts(recs[3 + 2 * static_cast<size_t>(c)],
                 {12 - 2 * c, lo, hi, i2, i2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
      ExpectValues(recs[4 + 2 * static_cast<size_t>(c)], 11 - 2 * c, v,
                   static_cast<size_t>((i2 - 1) * 10000 + lo - 1),
                   static_cast<size_t>(hi - lo + 1));
    }
  }
}

// Rebuilds an array from its FULL records, checking each record's frame.
std::optional<std::vector<float>> Rebuild(const std::vector<TRecord>& recs, const TDims7& d) {
  int64_t n = 1;
  for (int k = 1; k <= 7; ++k) n *= d[k];
  std::vector<float> out(static_cast<size_t>(n), -1.0f);
  std::vector<int> seen(static_cast<size_t>(n), 0);
  const int32_t krec = Struc(recs[2], 0);
  EXPECT_EQ(static_cast<size_t>(krec), recs.size() - 2);  // it counts itself
  for (size_t r = 3; r + 1 < recs.size(); r += 2) {
    const TRecord& lim = recs[r];
    const TRecord& val = recs[r + 1];
    EXPECT_EQ(lim.size(), 64u);
    EXPECT_EQ(Struc(lim, 0), krec - static_cast<int32_t>(r - 2));
    EXPECT_EQ(Struc(val, 0), krec - static_cast<int32_t>(r - 1));
    std::array<int32_t, 8> lo{}, hi{};
    int64_t count = 1;
    for (int j = 1; j <= 7; ++j) {
      lo[j] = Struc(lim, 2 * j - 1);
      hi[j] = Struc(lim, 2 * j);
      if (lo[j] < 1 || hi[j] > d[j] || hi[j] < lo[j]) return std::nullopt;
      count *= hi[j] - lo[j] + 1;
    }
    if (count > 7000 || val.size() != static_cast<size_t>(8 + 4 * count)) return std::nullopt;
    std::array<int32_t, 8> i = lo;
    for (int64_t e = 0; e < count; ++e) {
      int64_t pos = 0;
      for (int j = 7; j >= 1; --j) pos = pos * d[j] + (i[j] - 1);
      out[static_cast<size_t>(pos)] = RealAt(val, 8 + 4 * static_cast<size_t>(e));
      ++seen[static_cast<size_t>(pos)];
      for (int j = 1; j <= 7; ++j) {  // next subscripts, first fastest
        if (++i[j] <= hi[j]) break;
        i[j] = lo[j];
      }
    }
  }
  for (const int s : seen)
    if (s != 1) return std::nullopt;
  return out;
}

// The record count of a plan at and beyond what KREC can hold, including
// counts whose doubling no longer fits in 64 signed bits.
TEST(FullPlanLimits, RecordCountsBeyond32Bits) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  struct Case {
    TDims7 d;
    std::string want;  // empty: the plan is made
  };
  const Case cases[] = {
      {{0, 7000, 1073741823, 1, 1, 1, 1, 1}, ""},  // KREC 2^31 - 1 exactly
      {{0, 7000, 1073741824, 1, 1, 1, 1, 1}, "Too many records: KREC=2147483649"},
      {{0, 7000, kMax, kMax, 1, 1, 1, 1}, "Too many records: KREC=9223372028264841219"},
      {{0, 7000, kMax, kMax, 2, 1, 1, 1}, "Too many records: KREC=18446744056529682437"},
      {{0, 7000, kMax, kMax, 3, 1, 1, 1}, "Too many records: KREC=beyond 64 bits"},
  };
  for (const Case& c : cases) {
    TFullPlan plan;
    std::string msg;
    EXPECT_EQ(plan.Make(c.d, msg), c.want.empty()) << c.want;
    EXPECT_EQ(msg, c.want);
    if (c.want.empty()) {
      EXPECT_EQ(plan.DimensionKrec(), kMax);
    }
  }
}

TEST_F(RealWrite, RandomShapesRebuildExactly) {
  const unsigned seed = 20261209;
  std::mt19937 rng(seed);
  const int32_t pick[] = {1, 1, 2, 3, 7, 70, 100, 1000, 3500, 6999, 7000, 7001};
  for (int round = 0; round < 60; ++round) {
    const int ndim = 1 + static_cast<int>(rng() % 7);
    std::vector<int32_t> sizes;
    int64_t n = 1;
    for (int k = 0; k < ndim; ++k) {
      int32_t s = pick[rng() % std::size(pick)];
      while (s > 1 && n * s > 60000) s = 1 + static_cast<int32_t>(rng() % 5);
      sizes.push_back(s);
      n *= s;
    }
    const std::vector<float> v = Counting(static_cast<size_t>(n));
    PHeaderRec head = MakeReal("RND", sizes, v);
    const TFileFlavour flavour = kFlavours[round % 2];
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_GE(recs.size(), 5u) << "seed " << seed << " round " << round;
    TDims7 d{};
    for (int k = 1; k <= 7; ++k) d[k] = head->Dims[8 - k];
    const auto back = Rebuild(recs, d);
    ASSERT_TRUE(back.has_value()) << "seed " << seed << " round " << round;
    EXPECT_EQ(*back, v) << "seed " << seed << " round " << round;
  }
}

TEST_F(RealWrite, ZeroSizeIsThreeRecords) {
  for (const TFileFlavour flavour : kFlavours) {
    PHeaderRec head = MakeReal("NONE", {3, 0, 2}, {});
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_EQ(recs.size(), 5u);
    EXPECT_EQ(head->StorageMethod, "FULL");
    ExpectDescriptor(recs[1], "RL", "FULL", {3, 0, 2});
    ExpectInts(recs[2], {3, 7, 3, 0, 2, 1, 1, 1, 1});
    ExpectInts(recs[3], {2, 1, 3, 1, 0, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1});
    ExpectInts(recs[4], {1});
  }
}

TEST_F(RealWrite, ZeroLastSizeWithoutValueBlock) {
  // A size of 0 in the outermost slot leaves no value block at all.
  PHeaderRec head = MakeReal("NONE", {2, 1, 1, 1, 1, 1, 0}, {});
  head->HeadMat.Root.reset();
  const std::vector<TRecord> recs = Write(head.get(), TFileFlavour::NewFujitsu);
  ASSERT_EQ(recs.size(), 5u);
  ExpectInts(recs[2], {3, 7, 2, 1, 1, 1, 1, 1, 0});
  ExpectInts(recs[3], {2, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0});
  ExpectInts(recs[4], {1});
}

void ExpectSparseCount(const TRecord& rec, int32_t nnz) {
  ASSERT_EQ(rec.size(), 4u + 12u + 80u);
  EXPECT_EQ(Struc(rec, 0), nnz);
  EXPECT_EQ(Struc(rec, 1), 4);
  EXPECT_EQ(Struc(rec, 2), 4);
  EXPECT_EQ(TextAt(rec, 16, 80), std::string(80, ' '));
}

TEST_F(RealWrite, SparseWithoutEntries) {
  for (const TFileFlavour flavour : kFlavours) {
    PHeaderRec head = MakeReal("ZERO", {10}, std::vector<float>(10, 0.0f));
    head->HeadMat.Root->at(3) = -0.0f;  // negative zero is zero
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(head->StorageMethod, "SPSE");
    ExpectDescriptor(recs[1], "RL", "SPSE", {10});
    ExpectSparseCount(recs[2], 0);
    ExpectInts(recs[3], {1, 0, 0});
  }
}

TEST_F(RealWrite, SparseBlocksOf2333) {
  for (const TFileFlavour flavour : kFlavours) {
    std::vector<float> v(20000, 0.0f);
    for (size_t i = 0; i < 4667; ++i) v[4 * i + 2] = static_cast<float>(i) + 0.25f;
    PHeaderRec head = MakeReal("SPAR", {100, 200}, v);
    const std::vector<TRecord> recs = Write(head.get(), flavour);
    ASSERT_EQ(recs.size(), 6u);
    ExpectDescriptor(recs[1], "RL", "SPSE", {100, 200});
    ExpectSparseCount(recs[2], 4667);
    size_t entry = 0;
    const int32_t here[] = {2333, 2333, 1};
    for (size_t b = 0; b < 3; ++b) {
      const TRecord& rec = recs[3 + b];
      const size_t n = static_cast<size_t>(here[b]);
      ASSERT_EQ(rec.size(), 16 + 8 * n);
      EXPECT_EQ(Struc(rec, 0), 3 - static_cast<int32_t>(b));
      EXPECT_EQ(Struc(rec, 1), 4667);
      EXPECT_EQ(Struc(rec, 2), here[b]);
      size_t bad = 0;
      for (size_t e = 0; e < n; ++e, ++entry) {
        bad += IntAt(rec, 16 + 4 * e) != static_cast<int32_t>(4 * entry + 3) ? 1 : 0;
        bad += RealAt(rec, 16 + 4 * n + 4 * e) != v[4 * entry + 2] ? 1 : 0;
      }
      EXPECT_EQ(bad, 0u) << "block " << b;
    }
    EXPECT_EQ(IntAt(recs[5], 16), 4 * 4666 + 3);  // one position, then its value
    EXPECT_EQ(RealAt(recs[5], 20), 4666.25f);
  }
}

// The storage chosen for n values of which nnz are non-zero.
std::string StorageFor(size_t n, size_t nnz, wtest::ScratchDir& dir, int32_t threshold) {
  PHeaderRec head = MakeReal("PCT", {static_cast<int32_t>(n)}, WithNonZeros(n, nnz));
  std::string msg;
  EXPECT_TRUE(wtest::WriteOneHeader(dir.Path("pct.har"), head.get(), TFileFlavour::NewFujitsu,
                                    TWriteOptions{.SparseThreshold = threshold}, msg))
      << msg;
  return head->StorageMethod;
}

TEST_F(RealWrite, ShareOfNonZerosChoosesStorage) {
  EXPECT_EQ(StorageFor(100, 39, dir_, 60), "SPSE");
  EXPECT_EQ(StorageFor(100, 40, dir_, 60), "FULL");
  EXPECT_EQ(StorageFor(200, 79, dir_, 60), "FULL");   // 39.5 % rounds to 40
  EXPECT_EQ(StorageFor(500, 197, dir_, 60), "SPSE");  // 39.4 % rounds to 39
  EXPECT_EQ(StorageFor(100, 0, dir_, 60), "SPSE");
  EXPECT_EQ(StorageFor(100, 100, dir_, 60), "FULL");
  EXPECT_EQ(StorageFor(200, 81, dir_, 59), "SPSE");  // 40.5 % rounds to even 40, 60 > 59
  EXPECT_EQ(StorageFor(200, 83, dir_, 59), "FULL");  // 41.5 % rounds to 42
  EXPECT_EQ(StorageFor(100, 0, dir_, 100), "FULL");
}

TEST_F(RealWrite, ValidLabelsAreWrittenAsRE) {
  PHeaderRec head = MakeReal("LAB", {3, 2}, Counting(6));
  wtest::SetLabel(*head, 1, "REG", {"north", "south", "east"});
  wtest::SetLabel(*head, 2, "SEC", {"agr", "man"});
  const std::vector<TRecord> recs = Write(head.get(), TFileFlavour::NewFujitsu);
  ASSERT_EQ(recs.size(), 2u + 3u + 3u);
  ExpectDescriptor(recs[1], "RE", "FULL", {3, 2});
  ASSERT_EQ(recs[2].size(), 4u + 32u + 17u * 2u);
  EXPECT_EQ(Struc(recs[2], 0), 2);   // SetsToRead
  EXPECT_EQ(Struc(recs[2], 1), -1);  // acdmkn
  EXPECT_EQ(Struc(recs[2], 2), 2);   // acdim
  EXPECT_EQ(Struc(recs[3], 0), 1);
  EXPECT_EQ(Struc(recs[3], 1), 3);
  EXPECT_EQ(TextAt(recs[3], 16, 12), "north       ");
  ExpectInts(recs[5], {3, 7, 3, 2, 1, 1, 1, 1, 1});
}

TEST_F(RealWrite, RejectedLabelsAreWrittenAsRL) {
  PHeaderRec noFlag = MakeReal("LAB", {3}, Counting(3));
  wtest::SetLabel(*noFlag, 1, "REG", {"a", "b", "c"});
  noFlag->REDetails.acdmkn = false;
  PHeaderRec badElement = MakeReal("ONE", {1, 2}, Counting(2));
  wtest::SetSingleElement(*badElement, 1, 0, "capital");  // element number 0
  badElement->REDetails.StName[1] = "CITY";
  wtest::SetLabel(*badElement, 2, "SEC", {});
  ASSERT_TRUE(badElement->REDetails.stknow);
  for (THeaderRec* head : {noFlag.get(), badElement.get()}) {
    const std::vector<TRecord> recs = Write(head, TFileFlavour::OldLahey);
    ASSERT_EQ(recs.size(), 5u) << head->Name;
    EXPECT_EQ(TextAt(recs[1], 4, 2), "RL");
    EXPECT_EQ(Struc(recs[2], 0), 3);  // the dimension record follows the descriptor
    EXPECT_EQ(Struc(recs[2], 1), 7);
    EXPECT_EQ(head->HeadType, "RE");
  }
}

TEST_F(RealWrite, OneSetWithTwoSizesFailsBeforeTheDescriptor) {
  PHeaderRec head = MakeReal("AB", {3, 4}, Counting(12));
  wtest::SetLabel(*head, 1, "REG", {"a", "b", "c"});
  wtest::SetLabel(*head, 2, "REG", {"a", "b", "c", "d"});
  EXPECT_EQ(WriteFails(head.get()),
            "Header AB   has two sets named REG with different sizes. [WriteRealStart] "
            "[WriteRLData] [WriteHead:AB  ]");
}

TEST_F(RealWrite, FailuresAndTheirMessages) {
  TRecFile none;
  std::string msg;
  EXPECT_FALSE(WriteRLData(none, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [WriteRLData]");
  EXPECT_FALSE(WriteRealFull(none, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [WriteRealFull]");
  EXPECT_FALSE(WriteRealSparse(none, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [WriteRealSparse]");

  PHeaderRec chars = wtest::Make1C("TXT", "text", {"a"}, 4);
  none.Writing.SparseThreshold = 100;  // else counting its (missing) values fails first
  EXPECT_FALSE(WriteRLData(none, chars.get(), TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Not an RL or RE Header [WriteRealStart] [WriteRLData]");

  PHeaderRec head = MakeReal("R", {4}, Counting(4));
  options_.SparseThreshold = 60;
  head->StorageMethod = "SPSE";
  EXPECT_FALSE(WriteRealFull(none, head.get(), TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Storage Method: \"SPSE\" [WriteRealFull]");
  head->StorageMethod = "FULL";
  EXPECT_FALSE(WriteRealSparse(none, head.get(), TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Storage Method: \"FULL\" [WriteRealSparse]");

  head->HeadMat.Root.reset();
  EXPECT_EQ(WriteFails(head.get()), "Unexpected Nil Pointer [WriteRLData] [WriteHead:R   ]");
  options_.SparseThreshold = 100;
  EXPECT_EQ(WriteFails(head.get()),
            "HeadMat.Root=nil [WriteRealStart] [WriteRLData] [WriteHead:R   ]");

  PHeaderRec shortBlock = MakeReal("S", {5}, Counting(4));
  EXPECT_EQ(WriteFails(shortBlock.get()),
            "HeadMat holds 4 values, sizes give 5 [WriteRealStart] [WriteRLData] [WriteHead:S   ]");
}

TEST_F(RealWrite, StaleNonZeroCountIsRefused) {
  // A count that does not match the values would make KREC lie.
  for (const int64_t nnz : {0, 2, 4}) {
    PHeaderRec head = MakeReal("S", {10}, WithNonZeros(10, 3));
    head->StorageMethod = "SPSE";
    head->HeadMat.NNZ = nnz;
    TRecFile f;
    std::string msg;
    ASSERT_TRUE(CreateLaheyFile(f, dir_.Path("s.har"), TFileFlavour::NewFujitsu, msg)) << msg;
    EXPECT_FALSE(WriteRealSparse(f, head.get(), TFileFlavour::NewFujitsu, msg));
    EXPECT_EQ(msg, "NNZ(" + std::to_string(nnz) +
                       ") differs from the non-zero values found [WriteRealSparse]");
    AbandonLaheyFile(f);
  }
  EXPECT_TRUE(dir_.Entries().empty());
}

TEST_F(RealWrite, NotANumberInASparseArrayIsRefused) {
  // CountNonZeros leaves a NaN out of NNZ, yet it compares unequal to 0.0:
  // writing it as an entry would put more entries in the file than NNZ says.
  std::vector<float> v = WithNonZeros(100, 10);
  v[99] = std::nanf("");
  PHeaderRec head = MakeReal("NAN", {100}, v);
  EXPECT_EQ(WriteFails(head.get()),
            "NNZ(10) differs from the non-zero values found [WriteRealSparse] [WriteRLData] "
            "[WriteHead:NAN ]");
  options_.SparseThreshold = 100;  // stored FULL, the value is written as it is
  const std::vector<TRecord> recs = Write(head.get(), TFileFlavour::NewFujitsu);
  ASSERT_EQ(recs.size(), 5u);
  EXPECT_TRUE(std::isnan(RealAt(recs[4], 8 + 4 * 99)));
}

}  // namespace
}  // namespace modrask
