#include "modrask/har/ints2i.h"

#include <gtest/gtest.h>

#include "modrask/har/descriptor.h"
#include "har_fixture.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/memstat.h"

namespace modrask {
namespace {

using test::Bytes;
constexpr TFileFlavour kFuji = TFileFlavour::NewFujitsu;

// Distinct values, negative ones among them, wrapping rather than overflowing.
int32_t ValueAt(int32_t r, int32_t c) {
  return static_cast<int32_t>(static_cast<uint32_t>(r) * 100003u - static_cast<uint32_t>(c) * 7u);
}

PHeaderRec Make2I(int32_t rows, int32_t cols) {
  std::string msg;
  PHeaderRec h;
  EXPECT_TRUE(SafeGetMem(h, msg));
  h->Name = "INTS";
  h->LongName = "Integers";
  h->HeadType = "2I";
  h->StorageMethod = "FULL";
  h->NRows = rows;
  h->NCols = cols;
  EXPECT_TRUE(AllocArr4(h->IntData, rows, cols, msg)) << msg;
  for (int32_t c = 1; c <= cols; ++c) {
    for (int32_t r = 1; r <= rows; ++r) h->IntData->At(r, c) = ValueAt(r, c);
  }
  return h;
}

std::vector<Bytes> Write(THeaderRec& h, TFileFlavour flavour, std::string& path) {
  path = test::ScratchPath("i2");
  std::string msg;
  EXPECT_TRUE(test::WriteRecFile(
      path, flavour, [&](TRecFile& f, std::string& m) { return Write2IData(f, &h, flavour, m); },
      msg))
      << msg;
  std::vector<Bytes> recs;
  EXPECT_TRUE(test::SplitRecords(test::ReadBytes(path), flavour, recs));
  return recs;
}

// Reads a header written by Write: name, descriptor, then the matrix.
bool ReadBack(const std::string& path, TFileFlavour flavour, THeaderRec& back, std::string& msg) {
  TRecFile f;
  if (!test::OpenRecFile(path, flavour, f, msg)) return false;
  bool found = false;
  TDescInts ints{};
  if (!GetHead(f, back.Name, found, flavour, msg) ||
      !GetDesc(f, back.HeadType, back.StorageMethod, back.LongName, ints, flavour, msg)) {
    return false;
  }
  back.NRows = ints[2];
  back.NCols = ints[3];
  const bool ok = Get2IData(f, &back, flavour, msg);
  CloseLaheyFile(f);
  return ok;
}

void ExpectSameMatrix(const THeaderRec& a, const THeaderRec& b) {
  ASSERT_EQ(a.NRows, b.NRows);
  ASSERT_EQ(a.NCols, b.NCols);
  ASSERT_NE(b.IntData, nullptr);
  EXPECT_EQ(a.IntData->Cells, b.IntData->Cells);
}

// (KREC, lo2, hi2, number of values) of each matrix record.
struct Shape {
  int32_t krec, lo1, hi1, lo2, hi2;
  size_t values;
};

void ExpectShapes(const std::vector<Bytes>& recs, const THeaderRec& h,
                  const std::vector<Shape>& want) {
  ASSERT_EQ(recs.size(), want.size() + 2);
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    const Bytes& r = recs[i + 2];
    EXPECT_EQ(test::TextAt(r, 0, 4), "    ");
    EXPECT_EQ(test::IntAt(r, 4), want[i].krec);
    EXPECT_EQ(test::IntAt(r, 8), h.NRows);
    EXPECT_EQ(test::IntAt(r, 12), h.NCols);
    EXPECT_EQ(test::IntAt(r, 16), want[i].lo1);
    EXPECT_EQ(test::IntAt(r, 20), want[i].hi1);
    EXPECT_EQ(test::IntAt(r, 24), want[i].lo2);
    EXPECT_EQ(test::IntAt(r, 28), want[i].hi2);
    EXPECT_EQ(r.size(), 32 + 4 * want[i].values);
    EXPECT_LE(r.size(), size_t(MaxHarBuf));
  }
}

class Write2ITest : public ::testing::TestWithParam<TFileFlavour> {};

TEST_P(Write2ITest, ThreeRowsFiveThousandColumns) {
  PHeaderRec h = Make2I(3, 5000);
  std::string path;
  const std::vector<Bytes> recs = Write(*h, GetParam(), path);
  ASSERT_FALSE(recs.empty());
  EXPECT_EQ(recs[0], test::NameRecord("INTS"));
  EXPECT_EQ(recs[1], test::DescRecord("2I", "FULL", "Integers", {2, 3, 5000}));
  ExpectShapes(
      recs, *h,
      {{3, 1, 3, 1, 2333, 6999}, {2, 1, 3, 2334, 4666, 6999}, {1, 1, 3, 4667, 5000, 1002}});
  // Rows fastest: column 2334 opens the second record.
  EXPECT_EQ(test::IntAt(recs[3], 32), ValueAt(1, 2334));
  EXPECT_EQ(test::IntAt(recs[3], 36), ValueAt(2, 2334));
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), back, msg)) << msg;
  ExpectSameMatrix(*h, back);
}

TEST_P(Write2ITest, OneByOne) {
  PHeaderRec h = Make2I(1, 1);
  std::string path;
  const std::vector<Bytes> recs = Write(*h, GetParam(), path);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[2], test::Matrix2IRecord({1, 1, 1, 1, 1, 1, 1}, {ValueAt(1, 1)}));
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), back, msg)) << msg;
  ExpectSameMatrix(*h, back);
}

TEST_P(Write2ITest, EmptyMatrices) {
  for (const auto& [rows, cols] : {std::pair{0, 4}, std::pair{5, 0}, std::pair{0, 0}}) {
    SCOPED_TRACE(std::to_string(rows) + "x" + std::to_string(cols));
    PHeaderRec h = Make2I(rows, cols);
    std::string path;
    const std::vector<Bytes> recs = Write(*h, GetParam(), path);
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[2], test::Matrix2IRecord({1, rows, cols, 1, rows, 1, cols}, {}));
    THeaderRec back;
    std::string msg;
    ASSERT_TRUE(ReadBack(path, GetParam(), back, msg)) << msg;
    ExpectSameMatrix(*h, back);
  }
}

TEST_P(Write2ITest, LongColumnsOnePerRecord) {
  PHeaderRec h = Make2I(7001, 3);
  std::string path;
  const std::vector<Bytes> recs = Write(*h, GetParam(), path);
  ExpectShapes(recs, *h,
               {{3, 1, 7001, 1, 1, 7001}, {2, 1, 7001, 2, 2, 7001}, {1, 1, 7001, 3, 3, 7001}});
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), back, msg)) << msg;
  ExpectSameMatrix(*h, back);
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, Write2ITest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu));

// The longest column one readable record holds, and one row more.
TEST(Write2IData, ColumnsBeyondOneRecordSplitIntoRowBlocks) {
  constexpr int32_t maxRows = (MaxHarBuf - 4 - 28) / 4;
  PHeaderRec h = Make2I(maxRows, 1);
  std::string path;
  ExpectShapes(Write(*h, kFuji, path), *h, {{1, 1, maxRows, 1, 1, size_t(maxRows)}});

  h = Make2I(maxRows + 1, 2);
  const std::vector<Bytes> recs = Write(*h, kFuji, path);
  ExpectShapes(recs, *h,
               {{4, 1, maxRows, 1, 1, size_t(maxRows)},
                {3, maxRows + 1, maxRows + 1, 1, 1, 1},
                {2, 1, maxRows, 2, 2, size_t(maxRows)},
                {1, maxRows + 1, maxRows + 1, 2, 2, 1}});
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, kFuji, back, msg)) << msg;
  ExpectSameMatrix(*h, back);
}

TEST(Write2IData, Refusals) {
  std::string msg;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, test::ScratchPath("i2r"), kFuji, msg)) << msg;
  EXPECT_FALSE(Write2IData(f, nullptr, kFuji, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Write2IData]");
  PHeaderRec h = Make2I(2, 2);
  h->HeadType = "1C";
  EXPECT_FALSE(Write2IData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "Not a 2I Header [Write2IData]");
  h->HeadType = "2I";
  h->NCols = 3;  // more than IntData holds
  EXPECT_FALSE(Write2IData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "IntData does not hold NRows x NCols values [Write2IData]");
  AbandonLaheyFile(f);
}

// Reads crafted matrix records into a rows x cols header.
bool ReadCrafted(const std::vector<Bytes>& records, int32_t rows, int32_t cols, THeaderRec& h,
                 std::string& msg) {
  TRecFile f;
  if (!test::OpenCrafted(test::ScratchPath("i2c"), records, kFuji, f, msg)) return false;
  h.HeadType = "2I";
  h.NRows = rows;
  h.NCols = cols;
  const bool ok = Get2IData(f, &h, kFuji, msg);
  CloseLaheyFile(f);
  return ok;
}

TEST(Get2IData, AnyBlockShapeReads) {
  // One value per record, in an order of its own, for a 2 x 2 matrix.
  std::vector<Bytes> recs;
  int32_t krec = 4;
  for (const auto& [r, c] : {std::pair{2, 2}, std::pair{1, 1}, std::pair{2, 1}, std::pair{1, 2}}) {
    recs.push_back(test::Matrix2IRecord({krec--, 9, 9, r, r, c, c}, {10 * r + c}));
  }
  THeaderRec h;
  std::string msg;
  ASSERT_TRUE(ReadCrafted(recs, 2, 2, h, msg)) << msg;
  EXPECT_EQ(h.IntData->At(1, 1), 11);
  EXPECT_EQ(h.IntData->At(2, 1), 21);
  EXPECT_EQ(h.IntData->At(1, 2), 12);
  EXPECT_EQ(h.IntData->At(2, 2), 22);
}

struct Bad2I {
  const char* name;
  std::vector<Bytes> records;
  const char* msg;
};

TEST(Get2IData, RefusesBadRecords) {
  const auto rec = [](std::initializer_list<int32_t> s, size_t n) {
    return test::Matrix2IRecord(s, std::vector<int32_t>(n, 5));
  };
  // The matrix is 3 x 2 in every case.
  const Bad2I cases[] = {
      {"WrongLength", {rec({1, 3, 2, 1, 3, 1, 2}, 5)}, "2I record wrong length [Get2IData]"},
      {"RowBelowOne",
       {rec({1, 3, 2, 0, 2, 1, 1}, 3)},
       "2I record block outside matrix: rows 0..2, columns 1..1 of 3 x 2 [Get2IData]"},
      {"RowBeyond",
       {rec({1, 3, 2, 2, 4, 1, 1}, 3)},
       "2I record block outside matrix: rows 2..4, columns 1..1 of 3 x 2 [Get2IData]"},
      {"ColumnBeyond",
       {rec({1, 3, 2, 1, 3, 2, 3}, 6)},
       "2I record block outside matrix: rows 1..3, columns 2..3 of 3 x 2 [Get2IData]"},
      {"ColumnBelowOne",
       {rec({1, 3, 2, 1, 3, -1, 0}, 6)},
       "2I record block outside matrix: rows 1..3, columns -1..0 of 3 x 2 [Get2IData]"},
      {"HiFarBelowLo",
       {rec({1, 3, 2, 3, 1, 1, 1}, 0)},
       "2I record block outside matrix: rows 3..1, columns 1..1 of 3 x 2 [Get2IData]"},
      {"ExtremeBounds",
       {rec({1, 3, 2, INT32_MIN, INT32_MAX, 1, 1}, 0)},
       "2I record block outside matrix: rows -2147483648..2147483647, columns 1..1 of 3 x 2 "
       "[Get2IData]"},
      {"ShortStructure",
       {test::RecordData().Blanks().Ints({1, 3, 2, 1, 3, 1})},
       "Record too Short 28/32 [GetRecBuf] [Get2IData]"},
      {"EndOfFile", {rec({2, 3, 2, 1, 3, 1, 1}, 3)}, " [GetRecBuf] [Get2IData]"},
  };
  for (const Bad2I& c : cases) {
    SCOPED_TRACE(c.name);
    THeaderRec h;
    std::string msg;
    EXPECT_FALSE(ReadCrafted(c.records, 3, 2, h, msg));
    EXPECT_EQ(msg, c.msg);
    EXPECT_EQ(h.IntData, nullptr);
  }
}

TEST(Get2IData, RefusesNegativeSizesAndNil) {
  THeaderRec h;
  std::string msg;
  EXPECT_FALSE(ReadCrafted({test::Matrix2IRecord({1, -1, 2, 1, -1, 1, 2}, {})}, -1, 2, h, msg));
  EXPECT_EQ(msg, "Negative 2I matrix size -1 x 2 [Get2IData]");
  EXPECT_EQ(h.IntData, nullptr);
  TRecFile f;
  EXPECT_FALSE(Get2IData(f, nullptr, kFuji, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Get2IData]");
}

}  // namespace
}  // namespace modrask

namespace modrask {
namespace {

// A matrix declared beyond the usable memory is refused by its size before
// anything is built, even when its one record would fit it.
TEST(Get2IData, RefusesAMatrixBeyondTheUsableMemory) {
  OverrideAvailMemKB(1024);  // 1 MiB: 511 x 511 (with row and column 0) fit exactly
  THeaderRec fits;
  THeaderRec big;
  std::string msg;
  const bool fitsOk =
      ReadCrafted({test::Matrix2IRecord({1, 511, 511, 1, 0, 1, 0}, {})}, 511, 511, fits, msg);
  const std::string fitsMsg = msg;
  const bool bigOk =
      ReadCrafted({test::Matrix2IRecord({1, 512, 512, 1, 0, 1, 0}, {})}, 512, 512, big, msg);
  const std::string bigMsg = msg;
  const bool hugeOk = ReadCrafted({test::Matrix2IRecord({1, 0, 0, 1, 0, 1, 0}, {})}, 2000000000,
                                  2000000000, big, msg);
  OverrideAvailMemKB(std::nullopt);
  EXPECT_TRUE(fitsOk) << fitsMsg;
  EXPECT_FALSE(bigOk);
  EXPECT_EQ(bigMsg, "Not enough memory for array size 512 rows and 512 columns [Get2IData]");
  EXPECT_FALSE(hugeOk);
  EXPECT_EQ(msg,
            "Not enough memory for array size 2000000000 rows and 2000000000 columns [Get2IData]");
  EXPECT_EQ(big.IntData, nullptr);
}

}  // namespace
}  // namespace modrask
