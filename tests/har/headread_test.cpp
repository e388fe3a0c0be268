// Reading one header up to its data, and completing its derived fields.
#include "modrask/har/headread.h"

#include <gtest/gtest.h>

#include "har/reading_fixture.h"

namespace modrask {
namespace {

using readtest::HarRecords;
using readtest::Labels;

TDims7 Slots(std::initializer_list<int32_t> fromSlot1) {
  TDims7 d{};
  int i = 1;
  for (const int32_t v : fromSlot1) d[i++] = v;
  return d;
}

TEST(FindNDimTest, LastDimensionNotOfSizeOne) {
  std::string msg;
  int32_t n = -1;
  ASSERT_TRUE(FindNDim(Slots({1, 1, 1, 1, 1, 4, 3}), n, msg));
  EXPECT_EQ(n, 2);
  ASSERT_TRUE(FindNDim(Slots({1, 1, 1, 1, 1, 1, 0}), n, msg));
  EXPECT_EQ(n, 1);
  ASSERT_TRUE(FindNDim(Slots({1, 1, 1, 1, 4, 1, 3}), n, msg));
  EXPECT_EQ(n, 3);
  ASSERT_TRUE(FindNDim(Slots({1, 1, 1, 1, 1, 1, 1}), n, msg));
  EXPECT_EQ(n, 1);
  ASSERT_TRUE(FindNDim(Slots({0, 1, 1, 1, 1, 1, 1}), n, msg));
  EXPECT_EQ(n, 7);
  ASSERT_TRUE(FindNDim(Slots({1, 1, 0, 1, 1, 1, 9}), n, msg));
  EXPECT_EQ(n, 5);
  EXPECT_FALSE(FindNDim(Slots({1, 1, 1, 1, -1, 4, 3}), n, msg));
  EXPECT_EQ(msg, "Dimension < 0 [FindNDim]");
  // Slots are examined from the first: a negative size after a real one is not seen.
  EXPECT_TRUE(FindNDim(Slots({1, 1, 1, 1, 1, 4, -3}), n, msg));
}

TEST(CleanLongNameTest, ControlAndNonAsciiBlankedThenTrimmed) {
  EXPECT_EQ(CleanLongName("  Trade\tflows \x7f\xe9  "), "Trade flows");
  EXPECT_EQ(CleanLongName("\r\n"), "");
  EXPECT_EQ(CleanLongName("a  b"), "a  b");
}

TEST(CompleteHeaderRecordTest, MatricesGetTheirDimensions) {
  struct Case {
    int32_t rows, cols, nDim;
    TDims7 dims;
  };
  const Case cases[] = {{1, 5, 1, Slots({1, 1, 1, 1, 1, 1, 5})},
                        {1, 1, 1, Slots({1, 1, 1, 1, 1, 1, 1})},
                        {3, 4, 2, Slots({1, 1, 1, 1, 1, 4, 3})},
                        {5, 1, 1, Slots({1, 1, 1, 1, 1, 1, 5})},
                        {0, 3, 2, Slots({1, 1, 1, 1, 1, 3, 0})}};
  for (const char* type : {"2R", "2I"}) {
    for (const Case& c : cases) {
      THeaderRec h;
      h.Name = "m";
      h.HeadType = type;
      h.NRows = c.rows;
      h.NCols = c.cols;
      std::string msg;
      ASSERT_TRUE(CompleteHeaderRecord(&h, msg));
      EXPECT_EQ(h.Name, "M   ");
      EXPECT_EQ(h.OrigNDim, c.nDim) << c.rows << "x" << c.cols;
      EXPECT_EQ(h.Dims, c.dims) << c.rows << "x" << c.cols;
    }
  }
}

TEST(CompleteHeaderRecordTest, LongNamesOfLabelledArrays) {
  std::string msg;
  THeaderRec h;
  h.HeadType = "RE";
  h.REDetails.ArrayName = "Flows";
  h.LongName = "  \t ";
  ASSERT_TRUE(CompleteHeaderRecord(&h, msg));
  EXPECT_EQ(h.LongName, "Flows");
  h.LongName = "?";
  ASSERT_TRUE(CompleteHeaderRecord(&h, msg));
  EXPECT_EQ(h.LongName, " ");
  h.LongName = std::string(69, 'x') + "\tyz";
  ASSERT_TRUE(CompleteHeaderRecord(&h, msg));
  EXPECT_EQ(h.LongName, std::string(69, 'x') + " ");

  THeaderRec rl;
  rl.HeadType = "RL";
  rl.OrigNDim = 2;
  ASSERT_TRUE(CompleteHeaderRecord(&rl, msg));
  EXPECT_EQ(rl.HeadType, "RE");
  EXPECT_EQ(rl.REDetails.acdim, 2);
  EXPECT_EQ(rl.LongName, "");  // RL labels carry no array name

  EXPECT_FALSE(CompleteHeaderRecord(nullptr, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [CompleteHeaderRecord]");
}

// GetHeaderRecord on crafted files, in both flavours.
class HeaderRecordTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  HarRecords recs;
  TRecFile f;
  TFileFlavour flavour = GetParam();
  std::string msg;
  THeaderRec head;
  bool found = false;
  bool skipped = false;

  void Open() {
    const std::string path = readtest::TempPath("head.har");
    ASSERT_TRUE(recs.Write(path, GetParam()));
    ASSERT_TRUE(OpenLaheyFile(f, path, flavour, msg)) << msg;
  }
  bool Next(bool skipBad = false) {
    return GetHeaderRecord(f, found, skipped, flavour, skipBad, msg, &head);
  }
  void TearDown() override {
    if (f.IsOpen()) CloseLaheyFile(f);
  }
};

INSTANTIATE_TEST_SUITE_P(Flavours, HeaderRecordTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST_P(HeaderRecordTest, UnlabelledRealArrayIsHeldWithEmptyLabels) {
  recs.Head("ab").Desc("RL", "FULL", " Trade\tflows   ", {7, 3, 4, 1, 1, 1, 1, 1});
  recs.Head("RL0 ").Desc("RL", "SPSE", "", {7, 0, 1, 1, 1, 1, 1, 1});
  recs.Head("RL3 ").Desc("RL", "FULL", "", {7, 3, 1, 4, 1, 1, 1, 1});
  Open();
  ASSERT_TRUE(Next()) << msg;
  ASSERT_TRUE(found);
  EXPECT_FALSE(skipped);
  EXPECT_EQ(head.Name, "AB  ");
  EXPECT_EQ(head.LongName, "Trade flows");
  EXPECT_EQ(head.HeadType, "RE");
  EXPECT_EQ(head.StorageMethod, "FULL");
  EXPECT_EQ(head.OrigNDim, 2);
  EXPECT_EQ(head.Dims, Slots({1, 1, 1, 1, 1, 4, 3}));
  EXPECT_EQ(head.REDetails.acdim, 2);
  EXPECT_EQ(head.REDetails.RDelst[1], 'u');
  EXPECT_EQ(head.REDetails.RDelst[2], 'u');

  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.OrigNDim, 1);
  EXPECT_EQ(head.Dims[7], 0);
  EXPECT_EQ(head.StorageMethod, "SPSE");
  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.OrigNDim, 3);

  ASSERT_TRUE(Next()) << msg;
  EXPECT_FALSE(found);
  EXPECT_FALSE(skipped);
  EXPECT_EQ(msg, "");
}

TEST_P(HeaderRecordTest, CharacterAndMatrixDescriptors) {
  recs.Head("STRS").Desc("1C", "FULL", "sets", {2, 3, 12});
  recs.Head("MAT ").Desc("2R", "FULL", "", {2, 1, 5});
  recs.Head("INT ").Desc("2I", "FULL", "", {2, 1, 1});
  Open();
  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.NStrings, 3);
  EXPECT_EQ(head.LenString, 12);
  EXPECT_EQ(head.OrigNDim, 1);
  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.OrigNDim, 1);
  EXPECT_EQ(head.Dims[7], 5);
  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.OrigNDim, 1);
  EXPECT_EQ(head.Dims, Slots({1, 1, 1, 1, 1, 1, 1}));
}

TEST_P(HeaderRecordTest, LabelledArrayReadsItsLabels) {
  recs.Head("LAB ").Desc("RE", "FULL", "", {7, 2, 3, 1, 1, 1, 1, 1});
  recs.SetInfo({1, -1, "FLOWS", -1, {{"COM", 'k'}, {"UNK3", 'u'}}, {}})
      .Strings(1, 2, {"food", "mfg"}, 12);
  Open();
  ASSERT_TRUE(Next()) << msg;
  EXPECT_EQ(head.LongName, "FLOWS");
  EXPECT_EQ(head.OrigNDim, 2);
  EXPECT_EQ(head.SetNames[7], "COM");
  EXPECT_EQ(head.SetNames[6], "");
  EXPECT_EQ(*head.SetElements[7], (std::vector<std::string>{"", "food", "mfg"}));
}

TEST_P(HeaderRecordTest, BadDescriptorMessage) {
  recs.Head("ABCD").Desc("1C", "FULL", "", {2, 3, 12, 0});
  Open();
  EXPECT_FALSE(Next());
  EXPECT_EQ(msg,
            "Bad details at header \"ABCD\"\r\n"
            "Description Record wrong length [GetDesc] [GetHeaderDetails] [GetHeaderRecord]");
  EXPECT_TRUE(skipped);
}

TEST_P(HeaderRecordTest, NegativeDimensionMessage) {
  recs.Head("ABCD").Desc("RE", "FULL", "", {7, 3, -4, 1, 1, 1, 1, 1});
  Open();
  EXPECT_FALSE(Next());
  EXPECT_EQ(msg, "At header ABCD\r\nDimension < 0 [FindNDim] [GetHeaderDetails] [GetHeaderRecord]");
}

TEST_P(HeaderRecordTest, LabelFailureMessage) {
  recs.Head("ABCD").Desc("RE", "FULL", "", {7, 3, 4, 1, 1, 1, 1, 1});
  recs.SetInfo({1, -1, "", -1, {{"REG", 'k'}, {"REG", 'k'}}, {}})
      .Strings(1, 3, {"a", "b", "c"}, 12);
  Open();
  EXPECT_FALSE(Next());
  EXPECT_EQ(msg,
            "At header ABCD\r\nSet REG has 2 different sizes in same header.  [GetOrgREData] "
            "[GetREData] [GetHeaderDetails] [GetHeaderRecord]");
}

TEST_P(HeaderRecordTest, SkipBadPassesOverUnreadableHeaders) {
  recs.Head("BAD1").Desc("XY", "FULL", "", {2, 1, 1}).RecBuf({1, 1, 1}, readtest::Bytes().Int(5));
  recs.Head("BAD2").Desc("RE", "FULL", "", {7, 3, 1, 1, 1, 1, 1, 1});
  recs.SetInfo({0, -1, "", -1, {{"REG", 'z'}}, {}}).FullDims(3, {3, 1, 1, 1, 1, 1, 1});
  recs.Head("GOOD").Desc("1C", "FULL", "", {2, 0, 4});
  Open();
  ASSERT_TRUE(Next(true)) << msg;
  EXPECT_TRUE(found);
  EXPECT_TRUE(skipped);
  EXPECT_EQ(head.Name, "GOOD");
  EXPECT_EQ(head.HeadType, "1C");
  ASSERT_TRUE(Next(true)) << msg;
  EXPECT_FALSE(found);
  EXPECT_FALSE(skipped);
}

TEST_P(HeaderRecordTest, UnknownTypeWithoutSkipping) {
  recs.Head("BAD1").Desc("1c", "FULL", "", {2, 1, 1});
  Open();
  EXPECT_FALSE(Next());
  EXPECT_EQ(
      msg,
      "Bad details at header \"BAD1\"\r\nUnrecognized Data Type 1c [GetIntsExpected] [GetDesc] "
      "[GetHeaderDetails] [GetHeaderRecord]");
}

TEST(HeaderRecordNil, NilHeader) {
  TRecFile f;
  bool found = true;
  bool skipped = true;
  bool gotDesc = true;
  std::string msg;
  EXPECT_FALSE(GetHeaderRecord(f, found, skipped, TFileFlavour::NewFujitsu, false, msg, nullptr));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [GetHeaderRecord]");
  EXPECT_FALSE(found);
  EXPECT_FALSE(GetHeaderDetails(f, "ABCD", TFileFlavour::NewFujitsu, gotDesc, msg, nullptr));
  EXPECT_EQ(msg, "At header ABCD\r\nUnexpected Nil Pointer [GetHeaderDetails]");
}

}  // namespace
}  // namespace modrask
