#include "modrask/har/descriptor.h"

#include <gtest/gtest.h>

#include "har_fixture.h"
#include "modrask/records/recbuf.h"

namespace modrask {
namespace {

using test::Bytes;

TEST(GetIntsExpected, TypesAndStorageMethods) {
  std::string msg = "kept";
  int32_t n = 0;
  EXPECT_TRUE(GetIntsExpected("RL", "SPSE", n, msg));
  EXPECT_EQ(n, 8);
  EXPECT_TRUE(GetIntsExpected("RE", "FULL", n, msg));
  EXPECT_EQ(n, 8);
  EXPECT_TRUE(GetIntsExpected("2R", "FULL", n, msg));
  EXPECT_EQ(n, 3);
  EXPECT_TRUE(GetIntsExpected("1CXYZ", "FULL", n, msg));  // only two characters count
  EXPECT_EQ(n, 3);
  EXPECT_EQ(msg, "kept");

  EXPECT_FALSE(GetIntsExpected("1C", "SPSE", n, msg));
  EXPECT_EQ(msg, "Unrecognized Storage Method: SPSE [GetIntsExpected]");
  EXPECT_FALSE(GetIntsExpected("RE", "Full", n, msg));
  EXPECT_EQ(msg, "Unrecognized Storage Method: Full [GetIntsExpected]");
  EXPECT_FALSE(GetIntsExpected("1c", "FULL", n, msg));
  EXPECT_EQ(msg, "Unrecognized Data Type 1c [GetIntsExpected]");
  EXPECT_FALSE(GetIntsExpected("", "FULL", n, msg));
  EXPECT_EQ(msg, "Unrecognized Data Type  [GetIntsExpected]");
}

class DescriptorTest : public ::testing::TestWithParam<TFileFlavour> {};

TEST_P(DescriptorTest, WritesRealDescriptorByteByByte) {
  const std::string path = test::ScratchPath("desc");
  std::string msg;
  const TDescInts ints{0, 7, 3, 4, 1, 1, 1, 1, 1};
  const std::string longName(75, 'L');  // cut to 70 on writing
  ASSERT_TRUE(test::WriteRecFile(
      path, GetParam(),
      [&](TRecFile& f, std::string& m) {
        return WriteLaheyRec(f, "DESC", 4, GetParam(), m) &&
               WriteDesc(f, "RE", "SPSE", longName, ints, 8, GetParam(), m);
      },
      msg))
      << msg;
  std::vector<Bytes> recs;
  ASSERT_TRUE(test::SplitRecords(test::ReadBytes(path), GetParam(), recs));
  ASSERT_EQ(recs.size(), 2u);
  const Bytes& r = recs[1];
  ASSERT_EQ(r.size(), 112u);
  EXPECT_EQ(test::TextAt(r, 0, 10), "    RESPSE");
  EXPECT_EQ(test::TextAt(r, 10, 70), std::string(70, 'L'));
  const int32_t expect[8] = {7, 3, 4, 1, 1, 1, 1, 1};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(test::IntAt(r, 80 + 4 * size_t(i)), expect[i]) << i;

  TRecFile f;
  ASSERT_TRUE(test::OpenRecFile(path, GetParam(), f, msg)) << msg;
  std::string type, storage, name;
  bool found = false;
  ASSERT_TRUE(GetHead(f, name, found, GetParam(), msg)) << msg;
  ASSERT_EQ(name, "DESC");
  TDescInts back{};
  ASSERT_TRUE(GetDesc(f, type, storage, name, back, GetParam(), msg)) << msg;
  EXPECT_EQ(type, "RE");
  EXPECT_EQ(storage, "SPSE");
  EXPECT_EQ(name, std::string(70, 'L'));
  EXPECT_EQ(back, ints);
  CloseLaheyFile(f);
}

TEST_P(DescriptorTest, ShortLongNameIsPaddedAndTrimmedBack) {
  const std::string path = test::ScratchPath("desc");
  std::string msg;
  const TDescInts ints{0, 2, 5, 12};
  ASSERT_TRUE(test::WriteRecFile(
      path, GetParam(),
      [&](TRecFile& f, std::string& m) {
        return WriteLaheyRec(f, "DESC", 4, GetParam(), m) &&
               WriteDesc(f, "1C", "FULL", " Set REG  ", ints, 3, GetParam(), m);
      },
      msg))
      << msg;
  std::vector<Bytes> recs;
  ASSERT_TRUE(test::SplitRecords(test::ReadBytes(path), GetParam(), recs));
  ASSERT_EQ(recs.size(), 2u);
  ASSERT_EQ(recs[1].size(), 92u);
  EXPECT_EQ(test::TextAt(recs[1], 10, 70), " Set REG" + std::string(62, ' '));

  TRecFile f;
  ASSERT_TRUE(test::OpenRecFile(path, GetParam(), f, msg)) << msg;
  std::string type, storage, name;
  bool found = false;
  ASSERT_TRUE(GetHead(f, name, found, GetParam(), msg)) << msg;
  ASSERT_EQ(name, "DESC");
  TDescInts back{};
  ASSERT_TRUE(GetDesc(f, type, storage, name, back, GetParam(), msg)) << msg;
  EXPECT_EQ(name, " Set REG");
  EXPECT_EQ(back, ints);
  CloseLaheyFile(f);
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, DescriptorTest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu));

TEST(WriteDesc, RefusesWrongCountsAndCodes) {
  const std::string path = test::ScratchPath("desc");
  std::string msg;
  const TDescInts ints{0, 2, 5, 12, 1};
  const auto write = [&](std::string_view type, std::string_view storage, int32_t n) {
    return test::WriteRecFile(
        path, TFileFlavour::NewFujitsu,
        [&](TRecFile& f, std::string& m) {
          return WriteDesc(f, type, storage, "x", ints, n, TFileFlavour::NewFujitsu, m);
        },
        msg);
  };
  EXPECT_FALSE(write("1C", "FULL", 4));
  EXPECT_EQ(msg, "Bad NInts [WriteDesc]");
  EXPECT_FALSE(write("1C", "SPSE", 3));
  EXPECT_EQ(msg, "Unrecognized Storage Method: SPSE [GetIntsExpected] [WriteDesc]");
  EXPECT_FALSE(write("XX", "FULL", 3));
  EXPECT_EQ(msg, "Unrecognized Data Type XX [GetIntsExpected] [WriteDesc]");
}

struct BadDesc {
  const char* name;
  Bytes record;
  const char* msg;
};

TEST(GetDesc, RefusesBadRecords) {
  const BadDesc cases[] = {
      {"StorageNotForType", test::DescRecord("1C", "SPSE", "x", {2, 1, 1}),
       "Unrecognized Storage Method: SPSE [GetIntsExpected] [GetDesc]"},
      {"LowerCaseType", test::DescRecord("1c", "FULL", "x", {2, 1, 1}),
       "Unrecognized Data Type 1c [GetIntsExpected] [GetDesc]"},
      {"FourIntsFor1C", test::DescRecord("1C", "FULL", "x", {2, 1, 1, 1}),
       "Description Record wrong length [GetDesc]"},
      {"SevenIntsForRE", test::DescRecord("RE", "FULL", "x", {7, 1, 1, 1, 1, 1, 1}),
       "Description Record wrong length [GetDesc]"},
      {"ShortRecord", Bytes(60, ' '), "Record too Short 60/80 [GetRecBuf] [GetDesc]"},
      {"PartialInt", test::RecordData().Raw(test::DescRecord("1C", "FULL", "x", {2, 1})).Blanks(1),
       "Non-Unit Record Length [GetRecBuf] [GetDesc]"},
  };
  for (const BadDesc& c : cases) {
    SCOPED_TRACE(c.name);
    TRecFile f;
    std::string msg;
    ASSERT_TRUE(
        test::OpenCrafted(test::ScratchPath("desc"), {c.record}, TFileFlavour::NewFujitsu, f, msg))
        << msg;
    std::string type, storage, name;
    TDescInts ints{};
    EXPECT_FALSE(GetDesc(f, type, storage, name, ints, TFileFlavour::NewFujitsu, msg));
    EXPECT_EQ(msg, c.msg);
    CloseLaheyFile(f);
  }
}

TEST(GetDesc, EndOfFileFailsWithTags) {
  TRecFile f;
  std::string msg;
  ASSERT_TRUE(test::OpenCrafted(test::ScratchPath("desc"), {test::NameRecord("ABCD")},
                                TFileFlavour::NewFujitsu, f, msg))
      << msg;
  std::string type, storage, name;
  TDescInts ints{};
  EXPECT_FALSE(GetDesc(f, type, storage, name, ints, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Record too Short 4/80 [GetRecBuf] [GetDesc]");
  EXPECT_FALSE(GetDesc(f, type, storage, name, ints, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, " [GetRecBuf] [GetDesc]");  // a clean end of file assigns no text
  CloseLaheyFile(f);
}

}  // namespace
}  // namespace modrask
