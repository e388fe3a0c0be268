#include "modrask/sets/harsets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sets/sets_fixture.h"

namespace modrask {
namespace {

using testing::Dim;
using testing::DimSpec;
using testing::Make1C;
using testing::MakeRE;
using testing::Numbered;

struct LabelCase {
  const char* label;
  const char* setName;
  const char* rest;
};

TEST(ParseSetLabel, LabelExamples) {
  const PHeaderRec hdr = Make1C("RG01", "", Numbered("r", 5));
  const LabelCase cases[] = {
      {"Set REG Regions of the world", "REG", "Regions of the world"},
      {"set: REG, the regions", "REG", "the regions"},
      {"(REG) regions", "REG", "regions"},
      {"Mapping from COM to AGG", "", ""},
      {"MAPPING", "", ""},
      {"Set mapping of COM", "", ""},
      {"", "Set5_RG01", ""},
      {"SET", "Set5_RG01", ""},
      {"Set set", "Set5_RG01", ""},
      {"SET SET REG x", "REG", "x"},
      {"REG", "REG", "REG"},  // one word is its own rest as well
      {"Set REG", "REG", "REG"},
      {"Set REG ", "REG", ""},
      {"  ...REG   the rest \t ", "REG", "the rest"},
      {"ABCDEFGHIJKLM thirteen", "ABCDEFGHIJKL", "thirteen"},
      {"R-E.G set", "REG", "set"},
      {"Set REG\tRegions", "REGRegions", "REG\tRegions"},  // only a blank ends a word
  };
  for (const LabelCase& c : cases) {
    std::string rest = "old";
    std::string setName = "old";
    ParseSetLabel(c.label, 5, *hdr, rest, setName);
    EXPECT_EQ(setName, c.setName) << "label '" << c.label << "'";
    EXPECT_EQ(rest, c.rest) << "label '" << c.label << "'";
  }
  // The generated name is cut to 12 characters as well.
  std::string rest;
  std::string setName;
  ParseSetLabel("set", 123456, *hdr, rest, setName);
  EXPECT_EQ(setName, "Set123456_RG");
}

TEST(IsSetHeader, ReasonsInOrder) {
  std::string info = "old";
  EXPECT_FALSE(IsSetHeader(nullptr, info));
  EXPECT_EQ(info, "nil header");

  PHeaderRec re = MakeRE("ARR1", "", {Dim("REG", 2)});
  EXPECT_FALSE(IsSetHeader(re.get(), info));
  EXPECT_EQ(info, "not a 1C header");

  PHeaderRec longStrings = Make1C("RG01", "Set REG", {"abcdefghijklm"});
  EXPECT_EQ(longStrings->LenString, 13);
  EXPECT_FALSE(IsSetHeader(longStrings.get(), info));
  EXPECT_EQ(info, "Strings too long -- max is 12");

  PHeaderRec mapping = Make1C("MP01", "Mapping from COM to AGG", {"a", "b"});
  EXPECT_FALSE(IsSetHeader(mapping.get(), info));
  EXPECT_EQ(info, "Seems to be a mapping");

  PHeaderRec illegal = Make1C("RG01", "Set REG", {"a", "b-c"});
  EXPECT_FALSE(IsSetHeader(illegal.get(), info));
  EXPECT_EQ(info, "Illegal element name \"b-c\"\r\nIllegal character \"-\" in Element name");

  PHeaderRec dupes = Make1C("RG01", "Set REG", {"a", "b", "A"});
  EXPECT_FALSE(IsSetHeader(dupes.get(), info));
  EXPECT_EQ(info, "Elements 1 and 3 are the same: \"a\"");

  PHeaderRec good = Make1C("RG01", "Set REG Regions of the world", Numbered("r", 5));
  EXPECT_TRUE(IsSetHeader(good.get(), info));
  EXPECT_EQ(info, "REG(5) Regions of the world");

  // A string list shorter than NStrings reads as blank names, not past its end.
  good->NStrings = 9;
  EXPECT_FALSE(IsSetHeader(good.get(), info));
  EXPECT_EQ(info, "Illegal element name \"\"\r\nElement name must not be blank");
}

class StoreSetsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitSetStore(store, msg)); }
  bool Store(const PHeaderRec& h) { return StoreHeaderSets(store.get(), h.get(), nNew, msg); }

  PSetStore store;
  std::string msg;
  int32_t nNew = -1;
};

TEST_F(StoreSetsTest, CharacterHeaderDefinesASet) {
  const PHeaderRec h = Make1C("RG01", "Set REG Regions of the world", Numbered("r", 5));
  ASSERT_TRUE(Store(h)) << msg;
  EXPECT_EQ(nNew, 1);
  ASSERT_EQ(store->Count, 1);
  const TSetStoreRecxx& e = *store->Entries[0];
  EXPECT_EQ(e.SetName, "REG");
  EXPECT_EQ(e.Size, 5);
  EXPECT_EQ(e.Description, "Regions of the world");
  EXPECT_TRUE(e.From1C);
  EXPECT_EQ(e.HeaderName, "RG01");
  ASSERT_TRUE(Store(h));
  EXPECT_EQ(nNew, 0);
  EXPECT_EQ(store->Count, 1);

  const PHeaderRec unnamed = Make1C("RG02", "", Numbered("q", 5));
  ASSERT_TRUE(Store(unnamed));
  EXPECT_EQ(store->Entries[1]->SetName, "Set5_RG02");
  EXPECT_EQ(store->Entries[1]->Description, "");
}

TEST_F(StoreSetsTest, CharacterHeadersThatAreNoSet) {
  const PHeaderRec longStrings = Make1C("LS01", "Set LONG", {"abcdefghijklm"});
  ASSERT_TRUE(Store(longStrings));
  EXPECT_EQ(msg, "");
  const PHeaderRec mapping = Make1C("MP01", "Mapping from COM to AGG", {"a", "b"});
  ASSERT_TRUE(Store(mapping));
  PHeaderRec negative = Make1C("NG01", "Set NEG", {});
  negative->NStrings = -1;
  ASSERT_TRUE(Store(negative));
  EXPECT_EQ(store->Count, 0);

  // Repeated names: skipped, the reason stays until the next call.
  const PHeaderRec dupes = Make1C("DP01", "Set DUP", {"a", "b", "A"});
  ASSERT_TRUE(Store(dupes));
  EXPECT_EQ(nNew, 0);
  EXPECT_EQ(msg, "Elements 1 and 3 are the same");
  EXPECT_EQ(store->Count, 0);
  ASSERT_TRUE(StoreHeaderSets(store.get(), nullptr, nNew, msg));
  EXPECT_EQ(msg, "");
}

TEST_F(StoreSetsTest, ArrayDimensionRules) {
  DimSpec single = Dim("COM", 1);
  single.Status = 'e';
  const PHeaderRec h =
      MakeRE("ARR1", "values",
             {
                 Dim("REG", 5),
                 single,                       // one element of COM: no set
                 Dim("REG", 7),                // same name, other size: the first dimension decides
                 Dim("EMPTY", 0),              // size 0: nothing
                 DimSpec{"", 3, 'u', {}},      // no set name
                 DimSpec{"PROD", 4, 'u', {}},  // no element names
             });
  ASSERT_TRUE(Store(h)) << msg;
  EXPECT_EQ(nNew, 2);
  ASSERT_EQ(store->Count, 2);
  EXPECT_EQ(store->Entries[0]->Key, "REG(5)");
  EXPECT_FALSE(store->Entries[0]->From1C);
  EXPECT_EQ(store->Entries[0]->HeaderName, "ARR1");
  EXPECT_EQ(store->Entries[0]->Description, "");
  ASSERT_NE(store->Entries[0]->Elements, nullptr);
  EXPECT_EQ((*store->Entries[0]->Elements)[5], "E5");
  EXPECT_EQ(store->Entries[1]->Key, "PROD(4)");
  EXPECT_EQ(store->Entries[1]->Elements, nullptr);
  EXPECT_EQ(FindSetKey(store.get(), "REG(7)"), 0);
  EXPECT_EQ(FindSetKey(store.get(), "COM(1)"), 0);
}

TEST_F(StoreSetsTest, EarlierDimensionHidesOnlyAnExactNameNotOfStatusE) {
  DimSpec single = Dim("REG", 1);
  single.Status = 'e';
  const PHeaderRec h = MakeRE("ARR2", "", {single, Dim("REG", 5), Dim("reg", 7)});
  ASSERT_TRUE(Store(h)) << msg;
  EXPECT_EQ(nNew, 2);
  ASSERT_EQ(store->Count, 2);
  EXPECT_EQ(store->Entries[0]->Key, "REG(5)");
  EXPECT_EQ(store->Entries[1]->Key, "REG(7)");
  EXPECT_EQ(store->Entries[1]->SetName, "reg");
}

TEST_F(StoreSetsTest, NilStoreAndFullStore) {
  const PHeaderRec h = MakeRE("ARR1", "", {Dim("REG", 5)});
  EXPECT_FALSE(StoreHeaderSets(nullptr, h.get(), nNew, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer[StoreHeaderSets]");

  PHarData file = std::make_unique<THarData>();
  file->Heads.push_back(MakeRE("ARR1", "", {Dim("A", 1)}));
  for (int i = 1; i < MaxSets; ++i) {
    file->Heads.push_back(MakeRE("ARR1", "", {DimSpec{"A", i + 1, 'u', {}}}));
  }
  file->Heads.push_back(MakeRE("LAST", "", {Dim("REG", 3), Dim("COM", 4)}));
  PSetStore s;
  EXPECT_FALSE(StoreHARFileSets(s, file.get(), false, msg));
  EXPECT_EQ(msg, "Too many sets[AddToSetStore][StoreHeaderSets][StoreHARFileSets]");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Count, MaxSets);
}

TEST(StoreHARFileSets, CharacterHeadersComeFirst) {
  PHarData file = std::make_unique<THarData>();
  file->Heads.push_back(MakeRE("ARR1", "", {Dim("REG", 5, "x"), Dim("REG", 5, "y")}));
  file->Heads.push_back(MakeRE("ARR2", "", {Dim("Reg", 7), Dim("COM", 3)}));
  file->Heads.push_back(Make1C("RG01", "Set REG Regions of the world", Numbered("r", 5)));
  file->Heads.push_back(Make1C("MP01", "Mapping from REG to AGG", Numbered("r", 5)));
  file->Heads.push_back(nullptr);
  file->XXHSHead = Make1C("XXHS", "Set HIST history", {"no previous history"}, 60);
  file->XXCPHead = Make1C("XXCP", "Set CMP compiler", {"GNU"});
  PSetStore s;
  std::string msg;
  ASSERT_TRUE(StoreHARFileSets(s, file.get(), false, msg)) << msg;
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->Count, 3);
  const TSetStoreRecxx& reg = *s->Entries[0];
  EXPECT_EQ(reg.Key, "REG(5)");
  EXPECT_TRUE(reg.From1C);
  EXPECT_EQ(reg.HeaderName, "RG01");
  EXPECT_EQ(reg.Description, "Regions of the world");
  EXPECT_EQ((*reg.Elements)[1], "r1");
  EXPECT_EQ(s->Entries[1]->Key, "REG(7)");
  EXPECT_EQ(s->Entries[1]->HeaderName, "ARR2");
  EXPECT_EQ(s->Entries[2]->Key, "COM(3)");
  EXPECT_EQ(CountSetsByName(s.get(), "reg"), 2);
  EXPECT_EQ(FindSetByName(s.get(), "CMP"), 0);  // special headers are not visited

  // Sorting, and a second walk into the same store adds nothing.
  ASSERT_TRUE(StoreHARFileSets(s, file.get(), true, msg)) << msg;
  ASSERT_EQ(s->Count, 3);
  EXPECT_EQ(s->Entries[0]->Key, "COM(3)");
  EXPECT_EQ(s->Entries[1]->Key, "REG(5)");
  EXPECT_EQ(s->Entries[2]->Key, "REG(7)");

  PSetStore empty;
  ASSERT_TRUE(StoreHARFileSets(empty, nullptr, true, msg));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Count, 0);
}

// HeaderNamesSet against the store itself: a header names a set exactly
// when storing that header alone puts a set of the name in the store, except
// where the store passes over the set for its elements.
TEST_F(StoreSetsTest, HeaderNamesSetAgreesWithTheStore) {
  DimSpec single = Dim("COM", 1);
  single.Status = 'e';
  PHeaderRec negative = Make1C("NG01", "Set NEG", {});
  negative->NStrings = -1;
  struct TCase {
    PHeaderRec Head;
    const char* Name;
    bool Names;
  };
  TCase cases[] = {
      {Make1C("RG01", "Set REG Regions", Numbered("r", 5)), "reg", true},
      {Make1C("RG01", "Set REG Regions", Numbered("r", 5)), " REG ", true},
      {Make1C("RG02", "", Numbered("q", 5)), "Set5_RG02", true},
      {Make1C("MP01", "Mapping from COM to AGG", {"a", "b"}), "COM", false},
      {std::move(negative), "NEG", false},
      {MakeRE("ARR1", "", {Dim("REG", 5), Dim("COM", 3)}), "com", true},
      {MakeRE("ARR1", "", {Dim("REG", 5), single}), "COM", false},
      {MakeRE("    ", "", {Dim("REG", 5)}), "REG", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Head->Name + " " + c.Name);
    EXPECT_EQ(HeaderNamesSet(*c.Head, c.Name), c.Names);
    PSetStore one;
    ASSERT_TRUE(InitSetStore(one, msg));
    ASSERT_TRUE(StoreHeaderSets(one.get(), c.Head.get(), nNew, msg)) << msg;
    EXPECT_EQ(FindSetByName(one.get(), c.Name) > 0, c.Names);
  }
  // A set the store passes over for its elements is still named.
  EXPECT_TRUE(HeaderNamesSet(*Make1C("DP01", "Set DUP", {"a", "b", "A"}), "DUP"));
}

}  // namespace
}  // namespace modrask
