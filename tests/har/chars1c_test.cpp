#include "modrask/har/chars1c.h"

#include <gtest/gtest.h>

#include "modrask/har/descriptor.h"
#include "har_fixture.h"
#include "modrask/records/recbuf.h"

namespace modrask {
namespace {

using test::Bytes;
constexpr TFileFlavour kFuji = TFileFlavour::NewFujitsu;

// Reads n strings of length l from crafted records.
bool ReadCrafted(const std::vector<Bytes>& records, int32_t n, int32_t l, PStrVec& v,
                 std::string& msg) {
  TRecFile f;
  if (!test::OpenCrafted(test::ScratchPath("c1"), records, kFuji, f, msg)) return false;
  const bool ok = GetHarStrings(f, v, n, l, kFuji, msg);
  CloseLaheyFile(f);
  return ok;
}

TEST(GetHarStrings, ReadsOverTwoRecords) {
  std::string msg;
  PStrVec v;
  ASSERT_TRUE(ReadCrafted({test::Strings1CRecord(2, 5, {"one", " two ", ""}, 8),
                           test::Strings1CRecord(1, 5, {"four", "five5678"}, 8)},
                          5, 8, v, msg))
      << msg;
  ASSERT_NE(v, nullptr);
  const std::vector<std::string> want{"", "one", " two", "", "four", "five5678"};
  EXPECT_EQ(*v, want);
}

TEST(GetHarStrings, StopsAfterTheLastRecord) {
  TRecFile f;
  std::string msg;
  ASSERT_TRUE(test::OpenCrafted(test::ScratchPath("c1"),
                                {test::Strings1CRecord(1, 1, {"a"}, 3), test::NameRecord("NEXT")},
                                kFuji, f, msg))
      << msg;
  PStrVec v;
  ASSERT_TRUE(GetHarStrings(f, v, 1, 3, kFuji, msg)) << msg;
  std::string name;
  bool found = false;
  ASSERT_TRUE(GetHead(f, name, found, kFuji, msg)) << msg;
  EXPECT_TRUE(found);
  EXPECT_EQ(name, "NEXT");
  CloseLaheyFile(f);
}

struct BadStrings {
  const char* name;
  std::vector<Bytes> records;
  int32_t n, l;
  const char* msg;
};

TEST(GetHarStrings, RefusesRecordsThatDisagree) {
  const BadStrings cases[] = {
      {"TooFew",
       {test::Strings1CRecord(1, 5, {"a", "b", "c", "d"}, 4)},
       5,
       4,
       "Too few strings in 1C record [GetHarStrings]"},
      {"TotalDiffers",
       {test::Strings1CRecord(1, 6, {"a", "b", "c", "d", "e"}, 4)},
       5,
       4,
       "Unexpected number of strings in record [GetHarStrings]"},
      {"TooMany",
       {test::Strings1CRecord(2, 5, {"a", "b", "c"}, 4),
        test::Strings1CRecord(1, 5, {"d", "e", "f"}, 4)},
       5,
       4,
       "Too many strings in 1C record [GetHarStrings]"},
      {"CountDiffersFromLength",
       {test::RecordData().Blanks().Ints({1, 2, 3}).Text("abcdefgh", 8)},
       2,
       4,
       "1C record wrong length [GetHarStrings]"},
      {"PartialString",
       {test::RecordData().Blanks().Ints({1, 2, 2}).Text("abcdefg", 7)},
       2,
       4,
       "Non-Unit Record Length [GetRecBuf] [GetHarStrings]"},
      {"ZeroLength",
       {test::Strings1CRecord(1, 0, {}, 0)},
       0,
       0,
       "sizelms=0 [GetRecBuf] [GetHarStrings]"},
      {"EndOfFile", {test::Strings1CRecord(2, 2, {"a"}, 4)}, 2, 4, " [GetRecBuf] [GetHarStrings]"},
      {"NegativeCount",
       {},
       -3,
       4,
       "Cannot read -3 strings length 4 (negative size) [GetHarStrings]"},
      {"NegativeLength",
       {},
       3,
       -4,
       "Cannot read 3 strings length -4 (negative size) [GetHarStrings]"},
      {"TooLarge",
       {},
       20001,
       400,
       "Cannot read 20001 strings length 400 (total size 8000400) since buffer size MaxHarBuf is "
       "set to just 8000000 [GetHarStrings]"},
      {"ProductBeyond32Bits",
       {},
       100000,
       100000,
       "Cannot read 100000 strings length 100000 (total size 10000000000) since buffer size "
       "MaxHarBuf is set to just 8000000 [GetHarStrings]"},
  };
  for (const BadStrings& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Bytes> records = c.records;
    if (records.empty()) records.push_back(test::NameRecord("NONE"));
    std::string msg;
    PStrVec v;
    EXPECT_FALSE(ReadCrafted(records, c.n, c.l, v, msg));
    EXPECT_EQ(msg, c.msg);
    EXPECT_EQ(v, nullptr);
  }
}

TEST(GetHarStrings, RefusesATargetInUse) {
  std::string msg;
  PStrVec v;
  ASSERT_TRUE(AllocPStrVec(v, 1, msg));
  (*v)[1] = "mine";
  EXPECT_FALSE(ReadCrafted({test::Strings1CRecord(1, 1, {"a"}, 4)}, 1, 4, v, msg));
  EXPECT_EQ(msg, "Expected Nil Pointer [GetHarStrings]");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ((*v)[1], "mine");
}

// Writes one 1C header (name, descriptor, data) and returns its records.
std::vector<Bytes> WriteHeader(THeaderRec& h, TFileFlavour flavour, std::string& path) {
  path = test::ScratchPath("c1w");
  std::string msg;
  EXPECT_TRUE(test::WriteRecFile(
      path, flavour, [&](TRecFile& f, std::string& m) { return Write1CData(f, &h, flavour, m); },
      msg))
      << msg;
  std::vector<Bytes> recs;
  EXPECT_TRUE(test::SplitRecords(test::ReadBytes(path), flavour, recs));
  return recs;
}

// Reads the header written by WriteHeader back, from its descriptor on.
bool ReadBack(const std::string& path, TFileFlavour flavour, const THeaderRec& like,
              THeaderRec& back, std::string& msg) {
  TRecFile f;
  if (!test::OpenRecFile(path, flavour, f, msg)) return false;
  std::string name;
  bool found = false;
  TDescInts ints{};
  if (!GetHead(f, name, found, flavour, msg) ||
      !GetDesc(f, back.HeadType, back.StorageMethod, back.LongName, ints, flavour, msg)) {
    return false;
  }
  back.Name = name;
  back.NStrings = ints[2];
  back.LenString = ints[3];
  EXPECT_EQ(back.NStrings, like.NStrings);
  const bool ok = Get1CData(f, &back, flavour, msg);
  CloseLaheyFile(f);
  return ok;
}

PHeaderRec Make1C(std::vector<std::string> strings, int32_t len) {
  std::string msg;
  PStrVec v;
  EXPECT_TRUE(AllocPStrVec(v, static_cast<int32_t>(strings.size()), msg));
  for (size_t i = 0; i < strings.size(); ++i) (*v)[i + 1] = std::move(strings[i]);
  PHeaderRec h;
  EXPECT_TRUE(Create1C(h, "STRS", "Some strings", v, static_cast<int32_t>(v->size()) - 1, len, msg))
      << msg;
  EXPECT_EQ(v, nullptr);
  return h;
}

class Write1CTest : public ::testing::TestWithParam<TFileFlavour> {};

TEST_P(Write1CTest, OneRecordCutAndPadded) {
  PHeaderRec h = Make1C({"short", "exactly6", "much longer than six"}, 6);
  std::string path;
  const std::vector<Bytes> recs = WriteHeader(*h, GetParam(), path);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0], test::NameRecord("STRS"));
  EXPECT_EQ(recs[1], test::DescRecord("1C", "FULL", "Some strings", {2, 3, 6}));
  EXPECT_EQ(recs[2], test::Strings1CRecord(1, 3, {"short ", "exactl", "much l"}, 6));
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), *h, back, msg)) << msg;
  const std::vector<std::string> want{"", "short", "exactl", "much l"};
  EXPECT_EQ(*back.StringRec, want);
}

TEST_P(Write1CTest, NoStringsGivesSixteenByteRecord) {
  PHeaderRec h = Make1C({}, 12);
  std::string path;
  const std::vector<Bytes> recs = WriteHeader(*h, GetParam(), path);
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[2], test::RecordData().Blanks().Ints({1, 0, 0}).bytes());
  EXPECT_EQ(recs[2].size(), 16u);
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), *h, back, msg)) << msg;
  ASSERT_NE(back.StringRec, nullptr);
  EXPECT_EQ(back.StringRec->size(), 1u);
}

TEST_P(Write1CTest, LongStringsKeptWhole) {
  std::string a(300, 'a');
  a[299] = 'z';
  std::string b = std::string(254, 'b') + "  tail";
  PHeaderRec h = Make1C({a, b}, 300);
  std::string path;
  WriteHeader(*h, GetParam(), path);
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, GetParam(), *h, back, msg)) << msg;
  ASSERT_EQ(back.StringRec->size(), 3u);
  EXPECT_EQ((*back.StringRec)[1], a);
  EXPECT_EQ((*back.StringRec)[2], b);
}

INSTANTIATE_TEST_SUITE_P(BothFlavours, Write1CTest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu));

// The largest header the reader accepts, 20,000 strings of 400 characters:
// one record would need 8,000,016 data bytes, so it is spread over two.
TEST(Write1CData, LargestReadableHeaderSpreadsOverRecords) {
  std::vector<std::string> strings(20000);
  for (size_t i = 0; i < strings.size(); ++i) {
    strings[i] = std::to_string(i) + std::string(380, char('a' + i % 26)) + std::to_string(i);
  }
  PHeaderRec h = Make1C(strings, 400);
  std::string path;
  const std::vector<Bytes> recs = WriteHeader(*h, kFuji, path);
  ASSERT_EQ(recs.size(), 4u);
  const int32_t perRec = (MaxHarBuf - 16) / 400;
  ASSERT_EQ(perRec, 19999);
  EXPECT_EQ(recs[2].size(), size_t(16 + 400 * perRec));
  EXPECT_LE(recs[2].size(), size_t(MaxHarBuf));
  EXPECT_EQ(test::IntAt(recs[2], 4), 2);
  EXPECT_EQ(test::IntAt(recs[2], 8), 20000);
  EXPECT_EQ(test::IntAt(recs[2], 12), perRec);
  EXPECT_EQ(test::IntAt(recs[3], 4), 1);
  EXPECT_EQ(test::IntAt(recs[3], 8), 20000);
  EXPECT_EQ(test::IntAt(recs[3], 12), 1);
  THeaderRec back;
  std::string msg;
  ASSERT_TRUE(ReadBack(path, kFuji, *h, back, msg)) << msg;
  EXPECT_EQ(*back.StringRec, *h->StringRec);
}

// Beyond what the reader takes in, every record written still fits the limit.
TEST(Write1CData, EveryRecordFitsTheLimit) {
  PHeaderRec h = Make1C(std::vector<std::string>(45000, std::string(400, 'q')), 400);
  std::string path;
  const std::vector<Bytes> recs = WriteHeader(*h, TFileFlavour::OldLahey, path);
  ASSERT_EQ(recs.size(), 5u);
  int32_t total = 0;
  for (size_t i = 2; i < recs.size(); ++i) {
    EXPECT_LE(recs[i].size(), size_t(MaxHarBuf));
    EXPECT_EQ(test::IntAt(recs[i], 4), int32_t(recs.size() - i));
    EXPECT_EQ(test::IntAt(recs[i], 8), 45000);
    total += test::IntAt(recs[i], 12);
  }
  EXPECT_EQ(total, 45000);
  // The records are readable, but the header is larger than the reader takes.
  THeaderRec back;
  std::string msg;
  EXPECT_FALSE(ReadBack(path, TFileFlavour::OldLahey, *h, back, msg));
  EXPECT_EQ(msg,
            "Cannot read 45000 strings length 400 (total size 18000000) since buffer size "
            "MaxHarBuf is set to just 8000000 [GetHarStrings] [Get1CData]");
}

TEST(Write1CData, Refusals) {
  std::string msg;
  TRecFile f;
  const std::string path = test::ScratchPath("c1r");
  ASSERT_TRUE(CreateLaheyFile(f, path, kFuji, msg)) << msg;
  EXPECT_FALSE(Write1CData(f, nullptr, kFuji, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Write1CData]");
  PHeaderRec h = Make1C({"a"}, 0);
  EXPECT_FALSE(Write1CData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "LenString<=0 [Write1CData]");
  h->HeadType = "2I";
  EXPECT_FALSE(Write1CData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "Not a String Header [Write1CData]");
  h = Make1C({"a"}, MaxHarBuf - 15);
  EXPECT_FALSE(Write1CData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "LenString 7999985 too long for one record [Write1CData]");
  h->StorageMethod = "SPSE";
  h->LenString = 4;
  EXPECT_FALSE(Write1CData(f, h.get(), kFuji, msg));
  EXPECT_EQ(msg, "Unrecognized Storage Method: SPSE [GetIntsExpected] [WriteDesc] [Write1CData]");
  AbandonLaheyFile(f);
}

TEST(Get1CData, RefusesOtherTypes) {
  TRecFile f;
  std::string msg;
  THeaderRec h;
  h.HeadType = "2I";
  EXPECT_FALSE(Get1CData(f, &h, kFuji, msg));
  EXPECT_EQ(msg, "Not a String Header [Get1CData]");
  EXPECT_FALSE(Get1CData(f, nullptr, kFuji, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [Get1CData]");
}

TEST(Create1C, ReplacesTheSlotAndCutsNames) {
  std::string msg;
  PHeaderRec slot = Make1C({"old"}, 3);
  PStrVec v;
  ASSERT_TRUE(AllocPStrVec(v, 1, msg));
  (*v)[1] = "new";
  ASSERT_TRUE(Create1C(slot, "ABCDEF", std::string(80, 'n'), v, 1, 5, msg)) << msg;
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(slot->Name, "ABCD");
  EXPECT_EQ(slot->LongName, std::string(70, 'n'));
  EXPECT_EQ(slot->HeadType, "1C");
  EXPECT_EQ(slot->StorageMethod, "FULL");
  EXPECT_EQ(slot->NStrings, 1);
  EXPECT_EQ(slot->LenString, 5);
  EXPECT_EQ((*slot->StringRec)[1], "new");
  EXPECT_EQ(slot->OrigNDim, 0);
}

}  // namespace
}  // namespace modrask
