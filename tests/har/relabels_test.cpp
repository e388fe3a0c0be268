// Set and element labels of real arrays: reading crafted set-information
// records, the checks before writing, and writing them back.
#include "modrask/har/relabels.h"

#include <gtest/gtest.h>

#include <functional>

#include "har/reading_fixture.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"

namespace modrask {
namespace {

using readtest::Bytes;
using readtest::HarRecords;
using readtest::LabelDim;
using readtest::Labels;

TDims7 SlotDims(const std::vector<int32_t>& d) {
  TDims7 dims{0, 1, 1, 1, 1, 1, 1, 1};
  for (size_t k = 0; k < d.size(); ++k) dims[7 - k] = d[k];
  return dims;
}

PStrVec Names(const std::vector<std::string>& names) {
  auto v = std::make_unique<std::vector<std::string>>(1);
  v->insert(v->end(), names.begin(), names.end());
  return v;
}

// Labels read back from records that follow a name record.
class LabelReadTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  HarRecords recs;
  TRecFile f;
  std::string msg;
  TREDetails details;
  int32_t origNDim = -9;
  TSetElements elements;
  TSetNames setNames;

  void SetUp() override { recs.Head("TEST"); }
  void TearDown() override {
    if (f.IsOpen()) CloseLaheyFile(f);
  }
  bool Read(const std::vector<int32_t>& d) {
    const std::string path = readtest::TempPath("labels.har");
    if (!recs.Write(path, GetParam())) return false;
    TFileFlavour flavour = GetParam();
    if (!readtest::OpenAtFirstHeader(f, path, flavour, msg)) {
      ADD_FAILURE() << msg;
      return false;
    }
    msg.clear();
    return GetREData(f, details, origNDim, SlotDims(d), elements, setNames, GetParam(), msg);
  }
};

INSTANTIATE_TEST_SUITE_P(Flavours, LabelReadTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST(CleanNameTest, TrailingBlanksThenEverythingOutsideNameChars) {
  EXPECT_EQ(CleanName("R-EG        "), "REG");
  EXPECT_EQ(CleanName("  reg_1@x   "), "reg_1@x");
  EXPECT_EQ(CleanName("a b.c\t"), "abc");
  EXPECT_EQ(CleanName("            "), "");
  EXPECT_EQ(CleanName(""), "");
}

TEST_P(LabelReadTest, TwoKnownDimensionsOverOneSetHoldTheirOwnCopies) {
  recs.SetInfo({1, -1, "TRADE", -1, {{"REG", 'k'}, {"REG", 'k'}}, {}})
      .Strings(1, 3, {"north", "south", "east"}, 12);
  ASSERT_TRUE(Read({3, 3})) << msg;
  EXPECT_EQ(origNDim, 2);
  EXPECT_EQ(details.acdim, 2);
  EXPECT_EQ(details.ArrayName, "TRADE");
  ASSERT_NE(elements[7], nullptr);
  ASSERT_NE(elements[6], nullptr);
  EXPECT_NE(elements[7].get(), elements[6].get());
  const std::vector<std::string> want{"", "north", "south", "east"};
  EXPECT_EQ(*elements[7], want);
  EXPECT_EQ(*elements[6], want);
  EXPECT_EQ(setNames[7], "REG");
  EXPECT_EQ(setNames[6], "REG");
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(elements[i], nullptr);
}

TEST_P(LabelReadTest, OneSetWithTwoSizesIsRefused) {
  recs.SetInfo({1, -1, "", -1, {{"REG", 'k'}, {"REG", 'k'}}, {}})
      .Strings(1, 3, {"north", "south", "east"}, 12);
  EXPECT_FALSE(Read({3, 4}));
  EXPECT_EQ(msg, "Set REG has 2 different sizes in same header.  [GetOrgREData] [GetREData]");
}

TEST_P(LabelReadTest, StatusNIsUnknownAndPlaceholdersFillTheRest) {
  recs.SetInfo({0, -1, "", -1, {{"COM", 'n'}, {"REG", 'u'}}, {}});
  ASSERT_TRUE(Read({2, 3})) << msg;
  EXPECT_EQ(details.RDelst[1], 'u');
  EXPECT_EQ(details.RDelst[2], 'u');
  for (int i = 3; i <= 7; ++i) {
    EXPECT_EQ(details.StName[i], "?");
    EXPECT_EQ(details.RDelst[i], '!');
  }
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(details.eltnam[i], "#");
  EXPECT_EQ(setNames[7], "COM");
  EXPECT_EQ(setNames[6], "REG");
  EXPECT_EQ(elements[7], nullptr);
}

TEST_P(LabelReadTest, GeneratedUnknownNamesAreBlankedAgain) {
  recs.SetInfo({1,
                -1,
                "",
                -1,
                {{"UNK5", 'u'}, {"unk5", 'u'}, {"Unk6", 'u'}, {"Unk2", 'k'}, {"UNK1", 'u'}},
                {}})
      .Strings(1, 2, {"a", "b"}, 12);
  ASSERT_TRUE(Read({5, 5, 5, 2, 1})) << msg;
  EXPECT_EQ(details.StName[1], "");
  EXPECT_EQ(details.StName[2], "");
  EXPECT_EQ(details.StName[3], "Unk6");
  EXPECT_EQ(details.StName[4], "Unk2");  // known elements: kept
  EXPECT_EQ(details.StName[5], "");
  EXPECT_EQ(setNames[7], "");
  EXPECT_EQ(setNames[5], "Unk6");
  EXPECT_EQ(origNDim, 5);
}

TEST_P(LabelReadTest, NamesAreCleanedAndFlagsAreAnyNonZero) {
  recs.SetInfo({0, 5, "my-array x", -7, {{"R-EG ", 'u'}, {"C.O M", 'u'}}, {}});
  ASSERT_TRUE(Read({2, 2})) << msg;
  EXPECT_TRUE(details.acdmkn);
  EXPECT_TRUE(details.stknow);
  EXPECT_EQ(details.ArrayName, "myarrayx");
  EXPECT_EQ(details.StName[1], "REG");
  EXPECT_EQ(details.StName[2], "COM");

  HarRecords r;
  r.Head("TEST").SetInfo({0, 0, "", 0, {{"REG", 'u'}}, {}});
  recs = r;
  CloseLaheyFile(f);
  ASSERT_TRUE(Read({2})) << msg;
  EXPECT_FALSE(details.acdmkn);
  EXPECT_FALSE(details.stknow);
}

TEST_P(LabelReadTest, SingleElementDimensions) {
  recs.SetInfo(
          {1, -1, "", -1, {{"REG", 'k'}, {"COM", 'e', 2}, {"TIME", 'e', 7}}, {"food  x", "y2020"}})
      .Strings(1, 2, {"north", "south"}, 12);
  ASSERT_TRUE(Read({2, 1, 1})) << msg;
  ASSERT_NE(elements[6], nullptr);
  EXPECT_EQ(*elements[6], (std::vector<std::string>{"", "foodx"}));
  EXPECT_EQ(*elements[5], (std::vector<std::string>{"", "y2020"}));
  EXPECT_EQ(setNames[7], "REG");
  EXPECT_EQ(setNames[6], "foodx");
  EXPECT_EQ(setNames[5], "y2020");
  EXPECT_EQ(details.StName[2], "COM");
  EXPECT_EQ(details.elno[2], 2);
  EXPECT_EQ(details.elno[3], 7);
  EXPECT_EQ(details.NEltrd, 2);
  EXPECT_EQ(details.eltnam[3], "#");
}

TEST_P(LabelReadTest, BadSetInformationRecords) {
  struct Case {
    Bytes info;  // the stream after the four blanks
    const char* msg;
  };
  const std::string tail = " [GetOrgREData] [GetREData]";
  std::vector<Case> cases;
  cases.push_back({Bytes().Ints({0, -1, 8}), "Bad set information record: acdim=8 outside 0..7"});
  cases.push_back({Bytes().Ints({0, -1, -1}), "Bad set information record: acdim=-1 outside 0..7"});
  cases.push_back({Bytes().Ints({0, -1}), "Bad set information record: 8 bytes, 12 needed"});
  cases.push_back({Bytes().Ints({0, -1, 2}).Text("", 12).Int(-1).Text("REG", 24).Text("uu", 2),
                   "Bad set information record: 54 bytes, 66 needed"});
  cases.push_back(
      {Bytes().Ints({0, -1, 1}).Text("", 12).Int(-1).Text("REG", 12).Char('u').Int(0).Int(8),
       "Bad set information record: NEltrd=8 outside 0..7"});
  cases.push_back({Bytes()
                       .Ints({0, -1, 1})
                       .Text("", 12)
                       .Int(-1)
                       .Text("REG", 12)
                       .Char('e')
                       .Int(1)
                       .Int(1)
                       .Text("x", 11),
                   "Bad set information record: 60 bytes, 61 needed"});
  cases.push_back(
      {Bytes().Ints({0, -1, 1}).Text("", 12).Int(-1).Text("REG", 12).Char('x').Int(0).Int(0),
       "RDelst not k, e, u or n"});
  cases.push_back({Bytes()
                       .Ints({0, -1, 1})
                       .Text("", 12)
                       .Int(-1)
                       .Text("REG", 12)
                       .Char('u')
                       .Int(0)
                       .Int(1)
                       .Text("x", 12),
                   "neltrd mismatch: J=0,NEltrd=1"});
  cases.push_back(
      {Bytes().Ints({1, -1, 1}).Text("", 12).Int(-1).Text("REG", 12).Char('u').Int(0).Int(0),
       "SetsToRead mismatch"});
  for (const Case& c : cases) {
    HarRecords r;
    r.Head("TEST").RecBuf({}, c.info);
    recs = r;
    if (f.IsOpen()) CloseLaheyFile(f);
    EXPECT_FALSE(Read({3}));
    EXPECT_EQ(msg, c.msg + tail);
  }
}

TEST_P(LabelReadTest, BadElementListRecord) {
  recs.SetInfo({1, -1, "", -1, {{"REG", 'k'}}, {}}).Strings(1, 4, {"a", "b", "c"}, 12);
  EXPECT_FALSE(Read({3}));
  EXPECT_EQ(msg,
            "Unexpected number of strings in record [GetHarStrings] [GetOrgREData] [GetREData]");
}

TEST_P(LabelReadTest, ElementListSpreadOverRecords) {
  recs.SetInfo({1, -1, "", -1, {{"REG", 'k'}}, {}})
      .Strings(2, 3, {"a", "b"}, 12)
      .Strings(1, 3, {"c"}, 12);
  ASSERT_TRUE(Read({3})) << msg;
  EXPECT_EQ(*elements[7], (std::vector<std::string>{"", "a", "b", "c"}));
}

TEST(TurnRLtoRETest, EmptyDescriptionOfTheHeadersDimensions) {
  THeaderRec h;
  h.HeadType = "RL";
  h.OrigNDim = 3;
  h.SetNames[7] = "keep";
  h.REDetails.StName[1] = "old";
  h.REDetails.NEltrd = 2;
  std::string msg;
  ASSERT_TRUE(TurnRLtoRE(&h, msg));
  EXPECT_EQ(h.HeadType, "RE");
  EXPECT_EQ(h.REDetails.acdim, 3);
  EXPECT_TRUE(h.REDetails.acdmkn);
  EXPECT_FALSE(h.REDetails.stknow);
  EXPECT_EQ(h.REDetails.NEltrd, 0);
  for (int i = 1; i <= 7; ++i) {
    EXPECT_EQ(h.REDetails.StName[i], "");
    EXPECT_EQ(h.REDetails.RDelst[i], 'u');
    EXPECT_EQ(h.REDetails.eltnam[i], "");
    EXPECT_EQ(h.REDetails.elno[i], 0);
  }
  EXPECT_EQ(h.SetNames[7], "keep");
  EXPECT_FALSE(TurnRLtoRE(nullptr, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [TurnRLtoRE]");
}

THeaderRec ValidHead() {
  THeaderRec h;
  h.Name = "ABCD";
  h.HeadType = "RE";
  h.OrigNDim = 2;
  h.Dims = SlotDims({3, 1});
  TREDetails& d = h.REDetails;
  d.acdim = 2;
  d.stknow = true;
  d.acdmkn = true;
  d.StName[1] = "REG";
  d.RDelst[1] = 'k';
  d.StName[2] = "COM";
  d.RDelst[2] = 'e';
  d.elno[2] = 1;
  d.eltnam[2] = "food";
  return h;
}

TEST(ValidREDetailsTest, FirstFailingCheckDecides) {
  std::string msg;
  THeaderRec h = ValidHead();
  EXPECT_TRUE(ValidREDetails(&h, msg)) << msg;
  struct Case {
    std::function<void(THeaderRec&)> spoil;
    const char* msg;
  };
  const std::vector<Case> cases = {
      {[](THeaderRec& x) {
         x.REDetails.stknow = false;
         x.REDetails.acdmkn = false;
       },
       "stknow false [ValidREDetails]"},
      {[](THeaderRec& x) { x.REDetails.acdmkn = false; }, "acdmkn false [ValidREDetails]"},
      {[](THeaderRec& x) { x.OrigNDim = 3; }, "acdim<>OrigNDim [ValidREDetails]"},
      {[](THeaderRec& x) { x.REDetails.StName[2] = "   "; }, "StName blank [ValidREDetails]"},
      {[](THeaderRec& x) { x.REDetails.elno[2] = 0; }, "elno<=0 [ValidREDetails]"},
      {[](THeaderRec& x) { x.REDetails.eltnam[2] = ""; }, "eltnam blank [ValidREDetails]"},
      {[](THeaderRec& x) { x.REDetails.RDelst[1] = 'n'; }, "RDelst not e,u, or k [ValidREDetails]"},
  };
  for (const Case& c : cases) {
    THeaderRec x = ValidHead();
    c.spoil(x);
    EXPECT_FALSE(ValidREDetails(&x, msg));
    EXPECT_EQ(msg, c.msg);
  }
  EXPECT_FALSE(ValidREDetails(nullptr, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [ValidREDetails]");
}

TEST(CheckSetSizesTest, OneSetNameWithTwoSizes) {
  std::string msg;
  THeaderRec h;
  h.Name = "ABCD";
  h.HeadType = "RE";
  h.OrigNDim = 3;
  h.Dims = SlotDims({3, 4, 3});
  h.SetNames[7] = "REG";
  h.SetNames[6] = "COM";
  h.SetNames[5] = "REG";
  EXPECT_TRUE(CheckSetSizes(&h, msg));
  h.SetNames[6] = "REG";
  EXPECT_FALSE(CheckSetSizes(&h, msg));
  EXPECT_EQ(msg, "Header ABCD has two sets named REG with different sizes.");
  h.SetNames[7] = h.SetNames[6] = h.SetNames[5] = "";
  EXPECT_TRUE(CheckSetSizes(&h, msg));  // blank names are not compared
  h.SetNames[6] = "REG";
  h.SetNames[7] = "reg";
  EXPECT_TRUE(CheckSetSizes(&h, msg));  // exact comparison
  h.HeadType = "1C";
  h.SetNames[7] = "REG";
  EXPECT_TRUE(CheckSetSizes(&h, msg));
}

// Writes a name record and the labels of `details`, then reads them back.
class LabelWriteTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  std::string path = readtest::TempPath("written.har");
  std::string msg;

  bool Write(const TREDetails& details, const TDims7& d, const TSetElements& elements) {
    TRecFile f;
    if (!CreateLaheyFile(f, path, GetParam(), msg)) return false;
    const bool ok = WriteLaheyRec(f, "TEST", 4, GetParam(), msg) &&
                    WriteOrgREData(f, details, d, elements, GetParam(), msg);
    if (!ok) {
      AbandonLaheyFile(f);
      return false;
    }
    return FinishLaheyFile(f, msg);
  }
};

INSTANTIATE_TEST_SUITE_P(Flavours, LabelWriteTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST_P(LabelWriteTest, OneListForTwoDimensionsOverOneSet) {
  TREDetails d;
  d.acdim = 3;
  d.acdmkn = true;
  d.stknow = true;
  d.ArrayName = "ARRAYNAMEISLONG";
  d.StName[1] = "REG";
  d.RDelst[1] = 'k';
  d.StName[2] = "REG";
  d.RDelst[2] = 'k';
  d.StName[3] = "COM";
  d.RDelst[3] = 'e';
  d.elno[3] = 4;
  d.NEltrd = 1;
  d.eltnam[1] = "food";
  TSetElements el;
  el[7] = Names({"north", "south", "east"});
  el[6] = Names({"north", "south", "east"});
  el[5] = Names({"food"});
  const TDims7 desc{0, 3, 3, 1, 1, 1, 1, 1};
  ASSERT_TRUE(Write(d, desc, el)) << msg;

  TRecFile f;
  TFileFlavour flavour = GetParam();
  ASSERT_TRUE(readtest::OpenAtFirstHeader(f, path, flavour, msg)) << msg;
  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t n = 0;
  ASSERT_TRUE(GetRecBuf(f, struc, 0, elms, n, 1, flavour, msg)) << msg;
  ASSERT_EQ(n, 32 + 17 * 3 + 12 * 1);
  const std::vector<uint8_t> info(elms, elms + n);
  EXPECT_EQ(DecodeInt32(&info[0]), 1);   // SetsToRead
  EXPECT_EQ(DecodeInt32(&info[4]), -1);  // acdmkn
  EXPECT_EQ(DecodeInt32(&info[8]), 3);
  EXPECT_EQ(std::string(info.begin() + 12, info.begin() + 24), "ARRAYNAMEISL");
  EXPECT_EQ(DecodeInt32(&info[24]), -1);  // stknow
  EXPECT_EQ(std::string(info.begin() + 28, info.begin() + 64),
            "REG         REG         COM         ");
  EXPECT_EQ(std::string(info.begin() + 64, info.begin() + 67), "kke");
  EXPECT_EQ(DecodeInt32(&info[67 + 8]), 4);
  EXPECT_EQ(DecodeInt32(&info[79]), 1);
  EXPECT_EQ(std::string(info.begin() + 83, info.end()), "food        ");
  ASSERT_TRUE(GetRecBuf(f, struc, 12, elms, n, 12, flavour, msg)) << msg;
  EXPECT_EQ(DecodeInt32(struc), 1);
  EXPECT_EQ(DecodeInt32(struc + 4), 3);
  EXPECT_EQ(DecodeInt32(struc + 8), 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(elms), 36),
            "north       south       east        ");
  bool atEof = false;
  int32_t len = 0;
  ASSERT_TRUE(GetLaheyRecA(f, f.Buf(), len, flavour, atEof, msg)) << msg;
  EXPECT_TRUE(atEof);
  CloseLaheyFile(f);

  // Read back: both dimensions hold their own list of the same names.
  ASSERT_TRUE(readtest::OpenAtFirstHeader(f, path, flavour, msg)) << msg;
  TREDetails back;
  TSetElements backEl;
  TSetNames names;
  int32_t nDim = 0;
  ASSERT_TRUE(GetREData(f, back, nDim, SlotDims({3, 3, 1}), backEl, names, flavour, msg)) << msg;
  CloseLaheyFile(f);
  EXPECT_EQ(*backEl[7], *el[7]);
  EXPECT_EQ(*backEl[6], *el[7]);
  EXPECT_NE(backEl[7].get(), backEl[6].get());
  EXPECT_EQ(names[5], "food");
  EXPECT_EQ(back.ArrayName, "ARRAYNAMEISL");
}

TEST_P(LabelWriteTest, RefusesAKnownDimensionWithoutItsList) {
  TREDetails d;
  d.acdim = 2;
  d.RDelst[1] = 'u';
  d.RDelst[2] = 'k';
  TSetElements el;
  EXPECT_FALSE(Write(d, TDims7{0, 2, 2, 1, 1, 1, 1, 1}, el));
  EXPECT_EQ(msg, "nil SetElements for i=2 [WriteOrgREData]");
  el[6] = Names({"a"});
  EXPECT_FALSE(Write(d, TDims7{0, 2, 2, 1, 1, 1, 1, 1}, el));
  EXPECT_EQ(msg, "SetElements too short for i=2 [WriteOrgREData]");
}

// Labels whose count of single-element names disagrees with their 'e'
// dimensions would give a file that reads as damaged; they are not written.
TEST_P(LabelWriteTest, RefusesSingleElementNamesThatDisagreeWithTheDimensions) {
  TREDetails d;
  d.acdim = 2;
  d.RDelst[1] = 'e';
  d.elno[1] = 2;
  d.RDelst[2] = 'u';
  TSetElements el;
  EXPECT_FALSE(Write(d, TDims7{0, 1, 3, 1, 1, 1, 1, 1}, el));
  EXPECT_EQ(msg, "neltrd mismatch: J=1,NEltrd=0 [WriteOrgREData]");
  d.NEltrd = 2;
  d.eltnam[1] = "b";
  d.eltnam[2] = "c";
  EXPECT_FALSE(Write(d, TDims7{0, 1, 3, 1, 1, 1, 1, 1}, el));
  EXPECT_EQ(msg, "neltrd mismatch: J=1,NEltrd=2 [WriteOrgREData]");
  d.NEltrd = 1;
  EXPECT_TRUE(Write(d, TDims7{0, 1, 3, 1, 1, 1, 1, 1}, el)) << msg;
}

TEST_P(LabelWriteTest, AListTooLongForOneRecordIsSpreadOverTwo) {
  // 666,666 names of 12 characters: 8,000,008 data bytes in one record, one
  // more than can be read; the names fit two records and read back whole.
  const int32_t n = 666666;
  TREDetails d;
  d.acdim = 1;
  d.acdmkn = d.stknow = true;
  d.StName[1] = "BIG";
  d.RDelst[1] = 'k';
  TSetElements el;
  el[7] = std::make_unique<std::vector<std::string>>(static_cast<size_t>(n) + 1);
  for (int32_t i = 1; i <= n; ++i) (*el[7])[i] = "e" + std::to_string(i);
  ASSERT_TRUE(Write(d, TDims7{0, n, 1, 1, 1, 1, 1, 1}, el)) << msg;

  TRecFile f;
  TFileFlavour flavour = GetParam();
  ASSERT_TRUE(readtest::OpenAtFirstHeader(f, path, flavour, msg)) << msg;
  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t count = 0;
  ASSERT_TRUE(GetRecBuf(f, struc, 0, elms, count, 1, flavour, msg)) << msg;
  ASSERT_TRUE(GetRecBuf(f, struc, 12, elms, count, 12, flavour, msg)) << msg;
  EXPECT_EQ(DecodeInt32(struc), 2);
  EXPECT_EQ(DecodeInt32(struc + 4), n);
  EXPECT_EQ(DecodeInt32(struc + 8), 666665);
  EXPECT_EQ(count, 666665);
  ASSERT_TRUE(GetRecBuf(f, struc, 12, elms, count, 12, flavour, msg)) << msg;
  EXPECT_EQ(DecodeInt32(struc), 1);
  EXPECT_EQ(DecodeInt32(struc + 8), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(elms), 12), "e666666     ");
  CloseLaheyFile(f);

  ASSERT_TRUE(readtest::OpenAtFirstHeader(f, path, flavour, msg)) << msg;
  TREDetails back;
  TSetElements backEl;
  TSetNames names;
  int32_t nDim = 0;
  ASSERT_TRUE(GetREData(f, back, nDim, TDims7{0, 1, 1, 1, 1, 1, 1, n}, backEl, names, flavour, msg))
      << msg;
  CloseLaheyFile(f);
  EXPECT_TRUE(*backEl[7] == *el[7]);
}

}  // namespace
}  // namespace modrask
