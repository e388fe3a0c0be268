#include "modrask/sets/SetStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "modrask/sets/BalTree.h"
#include "sets/sets_fixture.h"

namespace modrask {
namespace {

using testing::Make1C;
using testing::Numbered;
using testing::Strings;

class SetStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitSetStore(store, msg)) << msg;
    hdr = Make1C("RG01", "", {});
  }

  // Adds a set; returns the result and leaves added/index/msg behind.
  bool Add(const std::string& name, int32_t size, const PStrVec& elements = nullptr,
           const std::string& description = "", bool from1C = false) {
    return AddToSetStore(store.get(), name, description, size, *hdr, from1C, elements, added, index,
                         msg);
  }

  PSetStore store;
  PHeaderRec hdr;
  std::string msg;
  bool added = false;
  int32_t index = -1;
};

TEST(SetKey, UpperCaseNameAndDecimalSize) {
  EXPECT_EQ(MakeSetKey(5, "Reg"), "REG(5)");
  EXPECT_EQ(MakeSetKey(-3, "x"), "X(-3)");
  EXPECT_EQ(MakeSetKey(0, "a_b@1\xe9"), "A_B@1\xe9(0)");
}

TEST_F(SetStoreTest, SameNameAnyCaseAndSizeIsOneSet) {
  ASSERT_TRUE(Add("REG", 5, Strings(Numbered("r", 5))));
  EXPECT_TRUE(added);
  EXPECT_EQ(index, 1);
  // Entirely different element names: still the same set, not compared.
  ASSERT_TRUE(Add("reg", 5, Strings({"x", "x", "x", "x", "x"})));
  EXPECT_FALSE(added);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(store->Count, 1);
  EXPECT_EQ(store->Entries[0]->SetName, "REG");
  EXPECT_EQ(store->Entries[0]->Key, "REG(5)");

  ASSERT_TRUE(Add("REG", 7));
  EXPECT_TRUE(added);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(store->Count, 2);
  EXPECT_EQ(CountSetsByName(store.get(), "REG"), 2);
  EXPECT_EQ(FindSetKey(store.get(), "REG(7)"), 2);
  EXPECT_EQ(FindSetKey(store.get(), "reg(7)"), 0);  // keys compare exactly
  EXPECT_EQ(FindSetKey(store.get(), "REG(6)"), 0);
}

TEST_F(SetStoreTest, EntryKeepsItsOwnCopyOfTheFirstOccurrence) {
  PStrVec elems = Strings({"north", "Southwest", "e"});
  ASSERT_TRUE(Add("Reg", 3, elems, "  the regions\t", true));
  ASSERT_TRUE(added);
  (*elems)[1] = "changed";
  const TSetStoreRecxx& e = *store->Entries[0];
  EXPECT_EQ(e.SetName, "Reg");
  EXPECT_TRUE(e.From1C);
  EXPECT_EQ(e.HeaderName, "RG01");
  EXPECT_EQ(e.Size, 3);
  EXPECT_EQ(e.MaxElemLen, 9);
  ASSERT_NE(e.Elements, nullptr);
  EXPECT_EQ(*e.Elements, (std::vector<std::string>{"", "north", "Southwest", "e"}));
  EXPECT_EQ(e.Description, "the regions");

  ASSERT_TRUE(Add("COM", 2));
  EXPECT_EQ(store->Entries[1]->Elements, nullptr);
  EXPECT_EQ(store->Entries[1]->MaxElemLen, 0);
}

TEST_F(SetStoreTest, LaterDescriptionFillsOnlyAnEmptyOne) {
  ASSERT_TRUE(Add("REG", 5));
  EXPECT_EQ(store->Entries[0]->Description, "");
  ASSERT_TRUE(Add("reg", 5, nullptr, " Regions of the world "));
  EXPECT_EQ(store->Entries[0]->Description, "Regions of the world");
  ASSERT_TRUE(Add("REG", 5, nullptr, "Something else"));
  EXPECT_EQ(store->Entries[0]->Description, "Regions of the world");
}

TEST_F(SetStoreTest, BadElementNamesAreRefusedWithoutFailing) {
  ASSERT_TRUE(Add("REG", 4, Strings({"c", "a", "b", "A"})));
  EXPECT_FALSE(added);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(msg, "Elements 2 and 4 are the same");

  ASSERT_TRUE(Add("REG", 3, Strings({"a", "2b", "c"})));
  EXPECT_FALSE(added);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(msg, "Element name must start with a letter A-Z");

  ASSERT_TRUE(Add("REG", 2, Strings({"a", ""})));
  EXPECT_EQ(msg, "Element name must not be blank");
  EXPECT_EQ(store->Count, 0);

  // A refused set can still be stored from a sound occurrence.
  ASSERT_TRUE(Add("REG", 4, Strings({"c", "a", "b", "d"})));
  EXPECT_TRUE(added);
  EXPECT_EQ(store->Count, 1);
}

TEST_F(SetStoreTest, FailuresCarryTheirTags) {
  EXPECT_FALSE(AddToSetStore(nullptr, "REG", "", 5, *hdr, false, nullptr, added, index, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer[AddToSetStore]");
  EXPECT_FALSE(InitSetStore(store, msg));
  EXPECT_EQ(msg, "Expected Nil Pointer[InitSetStore]");
  EXPECT_NE(store, nullptr);

  // An element list shorter than the set would be read past its end.
  EXPECT_FALSE(Add("REG", 5, Strings({"a", "b"})));
  EXPECT_EQ(msg, "Element list does not match set size[AddToSetStore]");

  RBSimulateAllocFailureAfter(0);
  const bool ok = Add("REG", 3, Strings({"a", "b", "c"}));
  RBSimulateAllocFailureAfter(-1);
  EXPECT_FALSE(ok);
  EXPECT_EQ(msg,
            "Tree insert error (probably ran out of memory)[RBStringInsert][CheckDupeElms]"
            "[AddToSetStore]");
  EXPECT_EQ(store->Count, 0);
}

TEST_F(SetStoreTest, TheTwoThousandAndFirstSetIsRefused) {
  for (int i = 1; i <= MaxSets; ++i) {
    ASSERT_TRUE(Add("S" + std::to_string(i), 1)) << msg;
    ASSERT_TRUE(added);
  }
  EXPECT_EQ(store->Count, 2000);
  EXPECT_FALSE(Add("S2001", 1));
  EXPECT_FALSE(added);
  EXPECT_EQ(msg, "Too many sets[AddToSetStore]");
  EXPECT_EQ(store->Count, 2000);
  // A stored set can still be met.
  ASSERT_TRUE(Add("s1234", 1));
  EXPECT_FALSE(added);
  EXPECT_EQ(index, 1234);
}

TEST(CheckDupeElms, FirstRepeatPairedWithEarliestOccurrence) {
  int32_t first = -1;
  int32_t second = -1;
  bool found = true;
  std::string msg;
  ASSERT_TRUE(CheckDupeElms(Strings({"", "x", ""}), 3, first, msg, found, second));
  EXPECT_TRUE(found);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 3);

  ASSERT_TRUE(CheckDupeElms(Strings({"a", "B", "c", "b", "A"}), 5, first, msg, found, second));
  EXPECT_TRUE(found);
  EXPECT_EQ(first, 2);
  EXPECT_EQ(second, 4);

  // An empty name and one blank are the same key.
  ASSERT_TRUE(CheckDupeElms(Strings({" ", "q", ""}), 3, first, msg, found, second));
  EXPECT_TRUE(found);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 3);

  // Only the first n names are looked at.
  ASSERT_TRUE(CheckDupeElms(Strings({"a", "b", "a"}), 2, first, msg, found, second));
  EXPECT_FALSE(found);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 0);

  ASSERT_TRUE(CheckDupeElms(nullptr, 0, first, msg, found, second));
  EXPECT_FALSE(found);
  EXPECT_FALSE(CheckDupeElms(nullptr, 2, first, msg, found, second));
  EXPECT_EQ(msg, "Unexpected Nil Pointer[CheckDupeElms]");
  EXPECT_FALSE(CheckDupeElms(Strings({"a"}), 2, first, msg, found, second));
  EXPECT_EQ(msg, "Element list does not match set size[CheckDupeElms]");
}

TEST_F(SetStoreTest, SortOrdersByKeyBytes) {
  ASSERT_TRUE(Add("REG", 5));
  ASSERT_TRUE(Add("ABC", 3));
  ASSERT_TRUE(Add("reg", 10));
  SortSetStore(store.get());
  ASSERT_EQ(store->Count, 3);
  EXPECT_EQ(store->Entries[0]->Key, "ABC(3)");
  EXPECT_EQ(store->Entries[1]->Key, "REG(10)");
  EXPECT_EQ(store->Entries[2]->Key, "REG(5)");
  EXPECT_EQ(FindSetKey(store.get(), "REG(5)"), 3);
  EXPECT_EQ(FindSetKey(store.get(), "ABC(3)"), 1);
  // A set met again after sorting is found at its new position.
  ASSERT_TRUE(Add("Reg", 10));
  EXPECT_FALSE(added);
  EXPECT_EQ(index, 2);
  SortSetStore(nullptr);
}

TEST_F(SetStoreTest, SortOfManyShuffledSets) {
  std::vector<std::pair<std::string, int>> sets;
  for (int i = 0; i < 700; ++i) sets.emplace_back("N" + std::to_string(i % 37), i);
  const unsigned seed = 77;
  std::mt19937 rng(seed);
  std::shuffle(sets.begin(), sets.end(), rng);
  for (const auto& [name, size] : sets) ASSERT_TRUE(Add(name, size));
  std::vector<std::string> keys;
  for (int i = 0; i < store->Count; ++i) keys.push_back(store->Entries[i]->Key);
  std::sort(keys.begin(), keys.end());
  SortSetStore(store.get());
  for (int i = 0; i < store->Count; ++i) {
    ASSERT_EQ(store->Entries[i]->Key, keys[i]) << "seed " << seed << " position " << i + 1;
    ASSERT_EQ(FindSetKey(store.get(), keys[i]), i + 1);
  }
}

TEST_F(SetStoreTest, FindByNameIgnoresCaseAndBlanks) {
  ASSERT_TRUE(Add("COM", 3));
  ASSERT_TRUE(Add("REG", 5));
  ASSERT_TRUE(Add("Reg", 7));
  EXPECT_EQ(FindSetByName(store.get(), "  reg\t"), 2);
  EXPECT_EQ(CountSetsByName(store.get(), " reg "), 2);
  EXPECT_EQ(FindSetByName(store.get(), "RE"), 0);
  EXPECT_EQ(CountSetsByName(store.get(), "ZONE"), 0);
  EXPECT_EQ(FindSetByName(nullptr, "REG"), 0);

  // An entry met in a header without a name is invisible here.
  hdr->Name = "    ";
  ASSERT_TRUE(Add("ZONE", 2));
  ASSERT_TRUE(added);
  EXPECT_EQ(FindSetByName(store.get(), "ZONE"), 0);
  EXPECT_EQ(CountSetsByName(store.get(), "ZONE"), 0);
}

}  // namespace
}  // namespace modrask
