// Runs the built tidex binary on folder trees of a POSIX host: symbolic links, names that
// differ only in case, dot folders, deep trees and a file that cannot be deleted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tidex/tidex_fixture.h"

namespace modrask::test {
namespace {

using Lines = std::vector<std::string>;

TEST(TidexBin, KeepsZmdOtherExtensionsAndOrphans) {
  TTempTree T;
  T.File("a.zmd");
  for (const std::string N : {"a.txt", "a.WUPX", "a.WU", "aWUP", "a", "a.zmd.WUP", "ab.WUP",
                              "b.WUP", "c.zmdx", "c.WUP", "zmd", "zmd.WUP", ".zmd", ".WUP"}) {
    T.File(N);
  }
  T.Folder("d.zmd");  // a folder is no ZMD file
  T.File("d.WUP");
  T.Link("a.zmd", "e.zmd");  // a link to a ZMD file counts as one
  T.File("e.NUR");
  T.Link("missing", "f.zmd");  // a dangling link does not
  T.File("f.NUR");
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("e.NUR"), "1 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(T.Names(), (Lines{".WUP",      ".zmd",  "a",      "a.WU",  "a.WUPX", "a.txt",  "a.zmd",
                              "a.zmd.WUP", "aWUP",  "ab.WUP", "b.WUP", "c.WUP",  "c.zmdx", "d.WUP",
                              "d.zmd",     "e.zmd", "f.NUR",  "f.zmd", "zmd",    "zmd.WUP"}));
}

TEST(TidexBin, CaseVariantsOfNamesAreProducts) {
  TTempTree T;
  T.File("a.ZMD");
  T.File("a.wup");
  T.File("A.WUP");
  T.File("a.Wup");
  T.File("A.jeb");
  T.File("model.Zmd");
  T.File("MODEL.qoj");
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("A.WUP"), "Deleting: " + T.Path("a.Wup"),
                            "Deleting: " + T.Path("a.wup"), "Deleting: " + T.Path("A.jeb"),
                            "Deleting: " + T.Path("MODEL.qoj"), "5 files deleted."}));
  EXPECT_EQ(T.Names(), (Lines{"a.ZMD", "model.Zmd"}));
}

// Two ZMD files that differ only in case share their products, which go once.
TEST(TidexBin, ZmdFilesDifferingInCaseShareTheirProducts) {
  TTempTree T;
  T.File("a.zmd");
  T.File("A.ZMD");
  T.File("a.WUP");
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("a.WUP"), "1 files deleted."}));
  EXPECT_EQ(T.Names(), (Lines{"A.ZMD", "a.zmd"}));
}

// A tree with products in the start folder, in sorted subfolders two deep, in a hidden
// folder, behind a link to a folder outside the tree, and a folder named like a product.
void MakeWalkTree(TTempTree& T, TTempTree& Outside) {
  T.File("z.zmd");
  T.File("z.wup");
  T.Folder("b");
  T.File("b/z.zmd");
  T.File("b/z.wup");
  T.Folder("a/c");
  T.File("a/z.zmd");
  T.File("a/z.wup");
  T.File("a/c/z.zmd");
  T.File("a/c/z.wup");
  T.Folder(".hid");
  T.File(".hid/z.zmd");
  T.File(".hid/z.wup");
  T.Folder("z.KIB");  // a folder bearing a product's name
  Outside.File("z.zmd");
  Outside.File("z.wup");
  T.Link(Outside.Root(), "link");
}

TEST(TidexBin, SlashDStaysInTheStartFolder) {
  TTempTree T, Outside;
  MakeWalkTree(T, Outside);
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("z.wup"), "1 files deleted."}));
  EXPECT_TRUE(T.Exists("a/z.wup"));
  EXPECT_TRUE(T.Exists("b/z.wup"));
}

TEST(TidexBin, SlashSWalksDepthFirstPastHiddenAndLinkedFolders) {
  TTempTree T, Outside;
  MakeWalkTree(T, Outside);
  const TRunResult R = RunTidexBin(T.Root(), {"/S"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("z.wup"), "Deleting: " + T.Path("a/z.wup"),
                            "Deleting: " + T.Path("a/c/z.wup"), "Deleting: " + T.Path("b/z.wup"),
                            "4 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_TRUE(T.Exists(".hid/z.wup"));
  EXPECT_TRUE(T.Exists("z.KIB"));
  EXPECT_TRUE(Outside.Exists("z.wup"));
  EXPECT_TRUE(T.Exists("link"));
}

TEST(TidexBin, PrintedPathsAreRealPaths) {
  TTempTree T, Links;
  T.File("a.zmd");
  T.File("a.huk");
  Links.Link(T.Root(), "via");
  const TRunResult R = RunTidexBin(Links.Path("via"), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("a.huk"), "1 files deleted."}));
}

// Level 1 is the start folder; subfolders are visited only from a folder below level 100,
// so level 100 (99 below the start) is the deepest one cleaned.
TEST(TidexBin, LevelHundredIsTheDeepestCleaned) {
  TTempTree T;
  const auto LevelRel = [](const int Level) {  // the folder of a level, relative to the start
    std::string Rel = "d";
    for (int L = 3; L <= Level; ++L) Rel += "/d";
    return Rel;
  };
  T.Folder(LevelRel(102));
  for (int Level = 99; Level <= 102; ++Level) {
    T.File(LevelRel(Level) + "/z.zmd");
    T.File(LevelRel(Level) + "/z.sog");
  }
  const TRunResult R = RunTidexBin(T.Root(), {"/S"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path(LevelRel(99) + "/z.sog"),
                            "Deleting: " + T.Path(LevelRel(100) + "/z.sog"), "2 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_TRUE(T.Exists(LevelRel(101) + "/z.sog"));
  EXPECT_TRUE(T.Exists(LevelRel(102) + "/z.sog"));
}

TEST(TidexBin, ProductThatCannotBeDeletedIsReportedAndTheRunGoesOn) {
  TTempTree T;
  T.File("a.zmd");
  T.File("a.WUP");
  T.File("a.QAW");
  if (!T.MakeImmutable("a.WUP")) {
    GTEST_SKIP() << "cannot mark a file immutable here (FS_IOC_SETFLAGS refused), and root "
                    "deletes files whatever their permission bits";
  }
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Could not delete: " + T.Path("a.WUP"), "Deleting: " + T.Path("a.QAW"),
                            "1 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_TRUE(T.Exists("a.WUP"));
}

}  // namespace
}  // namespace modrask::test
