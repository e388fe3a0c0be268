// The built tidex binary on Windows: "\" paths, CR LF line ends, read-only products that
// cannot be deleted, hidden and system entries left out, and the root of a drive.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "tidex/tidex_fixture.h"

namespace modrask::test {
namespace {

using Lines = std::vector<std::string>;

TEST(TidexBinWin, LinesEndWithCrLfAndPathsWithBackslashes) {
  TTempTree T;
  T.File("a.zmd");
  T.File("a.WUP");
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Raw, "Deleting: " + T.Root() + "\\a.WUP\r\n1 files deleted.\r\n");
  EXPECT_EQ(R.Code, 0);
  const TRunResult U = RunTidexBin(T.Root(), {});
  EXPECT_EQ(U.Lines, UsageLines("expected /D or /S parameter"));
  EXPECT_EQ(U.Raw.find("\r\r"), std::string::npos);
  std::size_t LineFeeds = 0;
  for (std::size_t I = 0; I < U.Raw.size(); ++I) {
    if (U.Raw[I] != '\n') continue;
    ++LineFeeds;
    EXPECT_TRUE(I > 0 && U.Raw[I - 1] == '\r') << "bare line feed at " << I;
  }
  EXPECT_EQ(LineFeeds, U.Lines.size());
}

TEST(TidexBinWin, ReadOnlyProductCannotBeDeletedAndTheRunGoesOn) {
  TTempTree T;
  T.File("a.zmd");
  T.File("a.WUP");
  T.File("a.QAW");
  T.Mark("a.WUP", FILE_ATTRIBUTE_READONLY);
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Could not delete: " + T.Path("a.WUP"), "Deleting: " + T.Path("a.QAW"),
                            "1 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_TRUE(T.Exists("a.WUP"));
}

TEST(TidexBinWin, HiddenAndSystemEntriesAreLeftOut) {
  TTempTree T;
  T.File("h.zmd");  // a hidden ZMD file has no products
  T.File("h.DAV");
  T.Mark("h.zmd", FILE_ATTRIBUTE_HIDDEN);
  T.File("s.zmd");  // nor a system one
  T.File("s.DAV");
  T.Mark("s.zmd", FILE_ATTRIBUTE_SYSTEM);
  T.File("v.zmd");  // a hidden product is not deleted
  T.File("v.DAV");
  T.File("v.HUK");
  T.Mark("v.DAV", FILE_ATTRIBUTE_HIDDEN);
  for (const std::string F : {"hid", "sys", "sub"}) {
    T.Folder(F);
    T.File(F + "/z.zmd");
    T.File(F + "/z.GUV");
  }
  T.Mark("hid", FILE_ATTRIBUTE_HIDDEN);  // folders so marked are not visited
  T.Mark("sys", FILE_ATTRIBUTE_SYSTEM);
  const TRunResult R = RunTidexBin(T.Root(), {"/S"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("v.HUK"), "Deleting: " + T.Path("sub/z.GUV"),
                            "2 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  for (const std::string Kept : {"h.DAV", "s.DAV", "v.DAV", "hid/z.GUV", "sys/z.GUV"}) {
    EXPECT_TRUE(T.Exists(Kept)) << Kept;
  }
}

TEST(TidexBinWin, SlashSWalksDepthFirstInNameOrder) {
  TTempTree T;
  for (const std::string F : {"", "b/", "a/", "a/c/"}) {
    if (!F.empty()) T.Folder(F);
    T.File(F + "z.zmd");
    T.File(F + "z.wup");
  }
  T.Folder("z.KIB");  // a folder bearing a product's name is not deleted
  const TRunResult R = RunTidexBin(T.Root(), {"/S"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("z.wup"), "Deleting: " + T.Path("a/z.wup"),
                            "Deleting: " + T.Path("a/c/z.wup"), "Deleting: " + T.Path("b/z.wup"),
                            "4 files deleted."}));
  EXPECT_TRUE(T.Exists("z.KIB"));
}

// At the root of a drive the current folder ends with "\" already, so the separator is
// doubled in the printed path.
TEST(TidexBinWin, DriveRootDoublesTheSeparator) {
  char Windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(Windows, sizeof Windows), 2u);
  const std::string Root = std::string(Windows).substr(0, 3);  // "C:\"
  const std::string Stem = Root + "tidex_root_test_" + std::to_string(GetCurrentProcessId());
  std::ofstream(Stem + ".zmd") << "model";
  std::ofstream(Stem + ".NUR") << "product";
  if (GetFileAttributesA((Stem + ".NUR").c_str()) == INVALID_FILE_ATTRIBUTES) {
    DeleteFileA((Stem + ".zmd").c_str());
    GTEST_SKIP() << "cannot create files in " << Root;
  }
  const TRunResult R = RunTidexBin(Root, {"/D"});
  DeleteFileA((Stem + ".zmd").c_str());
  const std::string Name = Stem.substr(3) + ".NUR";
  EXPECT_EQ(R.Lines.front(), "Deleting: " + Root + "\\" + Name);
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(GetFileAttributesA((Stem + ".NUR").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace modrask::test
