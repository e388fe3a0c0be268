#include "modrask/har/harmodel.h"

#include <gtest/gtest.h>

namespace modrask {
namespace {

TEST(NormHeadName, KeepsPrintableUpperCasedAndPadsToFour) {
  EXPECT_EQ(NormHeadName("ab"), "AB  ");
  EXPECT_EQ(NormHeadName("a-b"), "A-B ");
  EXPECT_EQ(NormHeadName("hist"), "HIST");
  EXPECT_EQ(NormHeadName("hist2"), "HIST");
  EXPECT_EQ(NormHeadName("x y z w v"), "XYZW");
  EXPECT_EQ(NormHeadName(""), "    ");
  EXPECT_EQ(NormHeadName("    "), "    ");
}

TEST(NormHeadName, DropsControlAndHighBytes) {
  EXPECT_EQ(NormHeadName(std::string("\t\x01z\x7f\x80\xff~!", 8)), "Z~! ");
  EXPECT_EQ(NormHeadName(std::string("a\0b", 3)), "AB  ");
}

TEST(IsXXHead, TestsTheStoredName) {
  THeaderRec h;
  h.Name = "XXHS";
  EXPECT_TRUE(IsXXHead(&h));
  h.Name = "XABC";
  EXPECT_FALSE(IsXXHead(&h));
  h.Name = "xxhs";  // stored names are upper case: this one is not special
  EXPECT_FALSE(IsXXHead(&h));
  h.Name = "X";
  EXPECT_FALSE(IsXXHead(&h));
  EXPECT_FALSE(IsXXHead(nullptr));
}

TEST(FreeHarData, NilAndFreshRecords) {
  std::string msg = "kept";
  PHarData none;
  EXPECT_TRUE(FreeHarData(none, msg));
  EXPECT_EQ(none, nullptr);
  PHarData fresh;
  ASSERT_TRUE(SafeGetMem(fresh, msg));
  EXPECT_EQ(fresh->NHeads(), 0);
  EXPECT_EQ(fresh->Flavour, TFileFlavour::OldLahey);
  EXPECT_TRUE(FreeHarData(fresh, msg));
  EXPECT_EQ(fresh, nullptr);
  EXPECT_EQ(msg, "kept");
}

// A file with every kind of owned data in headers and slots; the sanitizer
// build reports anything left behind.
TEST(FreeHarData, ReleasesEverythingOwned) {
  std::string msg;
  PHarData d;
  ASSERT_TRUE(SafeGetMem(d, msg));
  for (int i = 0; i < 3; ++i) {
    PHeaderRec h;
    ASSERT_TRUE(SafeGetMem(h, msg));
    h->Name = "H00" + std::to_string(i);
    h->NRows = 2;
    h->NCols = 3;
    ASSERT_TRUE(AllocArr4(h->IntData, 2, 3, msg)) << msg;
    h->NStrings = 2;
    ASSERT_TRUE(AllocPStrVec(h->StringRec, 2, msg));
    (*h->StringRec)[1] = std::string(300, 'a');
    h->Dims = {0, 1, 1, 1, 1, 1, 2, 3};
    ASSERT_TRUE(AllocPStrVec(h->SetElements[7], 3, msg));
    ASSERT_TRUE(AllocPStrVec(h->SetElements[6], 2, msg));
    d->Heads.push_back(std::move(h));
  }
  for (PHeaderRec* slot : {&d->XXHSHead, &d->XXCDHead, &d->XXFFHead}) {
    ASSERT_TRUE(SafeGetMem(*slot, msg));
    ASSERT_TRUE(AllocPStrVec((*slot)->StringRec, 1, msg));
    (*slot)->NStrings = 1;
  }
  EXPECT_EQ(d->NHeads(), 3);
  EXPECT_TRUE(FreeHarData(d, msg));
  EXPECT_EQ(d, nullptr);
}

TEST(FreeHead, NilHeadAndHeadWithLists) {
  std::string msg;
  PHeaderRec h;
  EXPECT_TRUE(FreeHead(h, msg));
  ASSERT_TRUE(SafeGetMem(h, msg));
  h->Dims = {0, 1, 1, 1, 1, 4, 1, 4};
  ASSERT_TRUE(AllocPStrVec(h->SetElements[7], 4, msg));
  ASSERT_TRUE(AllocPStrVec(h->SetElements[5], 4, msg));
  EXPECT_TRUE(FreeHead(h, msg));
  EXPECT_EQ(h, nullptr);
}

TEST(SetHeadSet, SecondOfThreeDimensions) {
  THeaderRec h;
  h.OrigNDim = 3;
  h.Dims = {0, 1, 1, 1, 1, 5, 4, 3};
  h.REDetails.RDelst = {0, 'k', 'k', 'k'};
  std::string msg;
  PStrVec elements;
  ASSERT_TRUE(AllocPStrVec(elements, 4, msg));
  (*elements)[1] = "e1";
  SetHeadSet(h, 2, "REGIONNAMELONGER", std::move(elements));
  EXPECT_EQ(h.SetNames[6], "REGIONNAMELO");
  EXPECT_EQ(h.REDetails.StName[2], "REGIONNAMELO");
  ASSERT_NE(h.SetElements[6], nullptr);
  EXPECT_EQ((*h.SetElements[6])[1], "e1");
  EXPECT_EQ(h.REDetails.RDelst[2], 'k');
  EXPECT_TRUE(h.SetNames[7].empty());
  EXPECT_TRUE(h.SetNames[5].empty());

  SetHeadSet(h, 2, "ZONE", nullptr);
  EXPECT_EQ(h.SetNames[6], "ZONE");
  EXPECT_EQ(h.SetElements[6], nullptr);
  EXPECT_EQ(h.REDetails.RDelst[2], 'u');

  h.REDetails.RDelst[3] = 'e';
  SetHeadSet(h, 3, "ONE", nullptr);
  EXPECT_EQ(h.REDetails.RDelst[3], 'e');
  EXPECT_EQ(h.SetNames[5], "ONE");
  EXPECT_EQ(h.REDetails.StName[3], "ONE");
}

}  // namespace
}  // namespace modrask
