#include "modrask/sets/renameset.h"

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

// The last history string of a file, empty without a history header.
std::string LastHistory(const THarData& f) {
  if (f.XXHSHead == nullptr || f.XXHSHead->StringRec == nullptr) return "";
  return f.XXHSHead->StringRec->back();
}

class RenameTest : public ::testing::Test {
 protected:
  THeaderRec& Head(int i) { return *file->Heads[i - 1]; }
  bool Rename(const std::string& oldName, const std::string& newName) {
    return RenameSetInHar(file.get(), oldName, newName, msg, nChanges);
  }

  PHarData file = std::make_unique<THarData>();
  std::string msg;
  int32_t nChanges = -1;
};

TEST_F(RenameTest, EveryDimensionAndTheDefiningCharacterHeader) {
  file->Heads.push_back(MakeRE("ARR1", "values", {Dim("REG", 5), Dim("COM", 3)}));
  file->Heads.push_back(MakeRE("ARR2", "flows", {Dim("REG", 5, "a"), Dim("REG", 5, "b")}));
  file->Heads.push_back(Make1C("RG01", "Set REG Regions of the world", Numbered("r", 5)));
  file->Heads.push_back(Make1C("CM01", "Set COM Commodities", Numbered("c", 3)));
  const std::vector<std::string>* arr1Elements = Head(1).SetElements[7].get();

  ASSERT_TRUE(Rename("REG", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 4);
  EXPECT_EQ(Head(1).SetNames[7], "ZONE");
  EXPECT_EQ(Head(1).REDetails.StName[1], "ZONE");
  EXPECT_EQ(Head(1).REDetails.RDelst[1], 'k');
  EXPECT_EQ(Head(1).SetElements[7].get(), arr1Elements);  // the same list, kept
  EXPECT_EQ((*Head(1).SetElements[7])[5], "E5");
  EXPECT_EQ(Head(1).SetNames[6], "COM");
  EXPECT_EQ(Head(1).Dims[7], 5);
  EXPECT_EQ(Head(2).SetNames[7], "ZONE");
  EXPECT_EQ(Head(2).SetNames[6], "ZONE");
  EXPECT_EQ((*Head(2).SetElements[6])[1], "b1");
  EXPECT_EQ(Head(3).LongName, "Set ZONE Regions of the world");
  EXPECT_EQ((*Head(3).StringRec)[1], "r1");
  EXPECT_EQ(Head(4).LongName, "Set COM Commodities");
  EXPECT_EQ(LastHistory(*file), "Set REG was globally renamed to ZONE");
}

TEST_F(RenameTest, SquareMatrixCountsBothDimensions) {
  file->Heads.push_back(MakeRE("SQR1", "", {Dim("REG", 4), Dim("REG", 4)}));
  ASSERT_TRUE(Rename("REG", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 2);
  EXPECT_EQ(Head(1).SetNames[7], "ZONE");
  EXPECT_EQ(Head(1).SetNames[6], "ZONE");
  EXPECT_EQ(Head(1).REDetails.StName[2], "ZONE");
}

TEST_F(RenameTest, OldNameMatchesAnyCaseNewNameAsTyped) {
  DimSpec single = Dim("reg", 1);
  single.Status = 'e';
  file->Heads.push_back(
      MakeRE("ARR1", "", {Dim("REG", 5), Dim("Reg", 7), single, DimSpec{"rEG", 2, 'u', {}}}));
  ASSERT_TRUE(Rename("reg", "Zone")) << msg;
  EXPECT_EQ(nChanges, 4);
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(Head(1).SetNames[8 - k], "Zone") << "dimension " << k;
    EXPECT_EQ(Head(1).REDetails.StName[k], "Zone") << "dimension " << k;
  }
  EXPECT_EQ(Head(1).REDetails.RDelst[3], 'e');  // a single element stays one
  EXPECT_EQ(Head(1).REDetails.RDelst[4], 'u');  // no element names
  EXPECT_EQ(LastHistory(*file), "Set reg was globally renamed to Zone");
}

TEST_F(RenameTest, BlanksAroundTheOldNameMatchNothing) {
  file->Heads.push_back(MakeRE("ARR1", "", {Dim("REG", 5)}));
  file->Heads.push_back(Make1C("RG01", "Set REG", Numbered("r", 5)));
  ASSERT_TRUE(Rename(" REG", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 0);
  ASSERT_TRUE(Rename("REG ", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 0);
  EXPECT_EQ(Head(1).SetNames[7], "REG");
  EXPECT_EQ(Head(2).LongName, "Set REG");
  EXPECT_EQ(LastHistory(*file), "Set REG  was globally renamed to ZONE");
}

TEST_F(RenameTest, NoMatchStillCompletesEveryHeaderAndAddsHistory) {
  file->Heads.push_back(MakeRE("ab", "  long\tname  ", {Dim("REG", 2)}));
  file->Heads.push_back(Make1C("cm1", "", {"x"}));
  ASSERT_TRUE(Rename("NOWHERE", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 0);
  EXPECT_EQ(Head(1).Name, "AB  ");
  EXPECT_EQ(Head(1).LongName, "long name");
  EXPECT_EQ(Head(2).Name, "CM1 ");
  ASSERT_NE(file->XXHSHead, nullptr);
  EXPECT_EQ(LastHistory(*file), "Set NOWHERE was globally renamed to ZONE");
}

TEST_F(RenameTest, CharacterHeadersThatAreNoUsableSetAreLeftAlone) {
  file->Heads.push_back(Make1C("MP01", "Mapping REG to AGG", Numbered("r", 5)));
  file->Heads.push_back(Make1C("DP01", "Set REG with repeats", {"a", "b", "A"}));
  file->Heads.push_back(Make1C("LS01", "Set REG long strings", {"abcdefghijklm"}));
  file->Heads.push_back(Make1C("IL01", "Set REG illegal names", {"a-b"}));
  ASSERT_TRUE(Rename("REG", "ZONE")) << msg;
  EXPECT_EQ(nChanges, 0);
  EXPECT_EQ(Head(1).LongName, "Mapping REG to AGG");
  EXPECT_EQ(Head(2).LongName, "Set REG with repeats");
  EXPECT_EQ(Head(3).LongName, "Set REG long strings");
  EXPECT_EQ(Head(4).LongName, "Set REG illegal names");
}

TEST_F(RenameTest, LongNamesAreRewrittenFromTheLabel) {
  const std::string rest60(60, 'w');
  file->Heads.push_back(Make1C("H001", "set: REG, the regions", Numbered("r", 2)));
  file->Heads.push_back(Make1C("H002", "REG", Numbered("r", 2)));
  file->Heads.push_back(Make1C("H003", "Set REG ", Numbered("r", 2)));
  file->Heads.push_back(Make1C("H004", "Set REG " + rest60, Numbered("r", 2)));
  file->Heads.push_back(Make1C("H005", "SET", Numbered("r", 2)));      // generated name Set2_H005
  file->Heads.push_back(Make1C("H006", "Set REG", Numbered("r", 2)));  // the last word is its rest
  ASSERT_TRUE(Rename("reg", "LONGERNAME12")) << msg;
  EXPECT_EQ(nChanges, 5);
  EXPECT_EQ(Head(1).LongName, "Set LONGERNAME12 the regions");
  EXPECT_EQ(Head(2).LongName, "Set LONGERNAME12 REG");
  EXPECT_EQ(Head(3).LongName, "Set LONGERNAME12");  // the trailing blank is cleaned away
  EXPECT_EQ(Head(4).LongName, ("Set LONGERNAME12 " + rest60).substr(0, 70));
  EXPECT_EQ(Head(4).LongName.size(), 70u);
  EXPECT_EQ(Head(5).LongName, "SET");
  EXPECT_EQ(Head(6).LongName, "Set LONGERNAME12 REG");

  ASSERT_TRUE(Rename("set2_h005", "GEN")) << msg;
  EXPECT_EQ(nChanges, 1);
  EXPECT_EQ(Head(5).LongName, "Set GEN");
}

TEST_F(RenameTest, IllegalNewNameChangesNothing) {
  file->Heads.push_back(MakeRE("ab", "", {Dim("REG", 5)}));
  file->Heads.push_back(Make1C("RG01", "Set REG", Numbered("r", 5)));
  EXPECT_FALSE(Rename("REG", "1ZONE"));
  EXPECT_EQ(msg,
            "1ZONE is not a legal set name: \r\nSet name must start with a letter A-Z"
            " [RenameSetInHar]");
  EXPECT_EQ(Head(1).SetNames[7], "REG");
  EXPECT_EQ(Head(1).Name, "ab");  // not even completed
  EXPECT_EQ(Head(2).LongName, "Set REG");
  EXPECT_EQ(file->XXHSHead, nullptr);

  EXPECT_FALSE(Rename("REG", "ABCDEFGHIJKLM"));
  EXPECT_EQ(msg,
            "ABCDEFGHIJKLM is not a legal set name: \r\n"
            "Set name must be at most 12 characters long [RenameSetInHar]");
  EXPECT_FALSE(RenameSetInHar(nullptr, "REG", "ZONE", msg, nChanges));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [RenameSetInHar]");
}

TEST_F(RenameTest, HistoryFailureComesAfterTheHeadersAreChanged) {
  file->Heads.push_back(MakeRE("ARR1", "", {Dim("REG", 5)}));
  file->XXHSHead = Make1C("XXHS", "File History", {"no previous history"}, 60);
  file->XXHSHead->StringRec.reset();
  file->XXHSHead->NStrings = 0;
  EXPECT_FALSE(Rename("REG", "ZONE"));
  EXPECT_EQ(msg, "StringRec=nil [AddHistLine] [AddHistoryLines] [RenameSetInHar]");
  EXPECT_EQ(nChanges, 1);
  EXPECT_EQ(Head(1).SetNames[7], "ZONE");
}

}  // namespace
}  // namespace modrask
