// Runs the built tidex binary on folder trees and checks every line it prints, its exit
// code and the files that remain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tidex/tidex_fixture.h"

namespace modrask::test {
namespace {

using Lines = std::vector<std::string>;

TEST(TidexBin, WrongArgumentsPrintUsageAndExitOne) {
  const std::vector<std::vector<std::string>> Cases = {{},    {"/D", "/S"}, {"/x"}, {"-D"},
                                                       {"D"}, {"/DS"},      {""},   {"/D "}};
  for (const auto& Args : Cases) {
    TTempTree T;
    T.File("a.zmd");
    T.File("a.WUP");
    const TRunResult R = RunTidexBin(T.Root(), Args);
    const std::string Label = Args.empty() ? "(none)" : Args[0];
    EXPECT_EQ(R.Lines, UsageLines("expected /D or /S parameter")) << Label;
    EXPECT_EQ(R.Code, 1) << Label;
    EXPECT_TRUE(T.Exists("a.WUP")) << Label;
  }
}

TEST(TidexBin, TableOrderExampleAndLowerCaseOptions) {
  for (const std::string Opt : {"/D", "/d", "/S", "/s"}) {
    TTempTree T;
    T.File("a.zmd");
    T.File("a.YAL");  // listed before a.WUP by name, deleted after it by the table
    T.File("a.WUP");
    const TRunResult R = RunTidexBin(T.Root(), {Opt});
    EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("a.WUP"), "Deleting: " + T.Path("a.YAL"),
                              "2 files deleted."}))
        << Opt;
    EXPECT_EQ(R.Code, 0) << Opt;
    EXPECT_EQ(T.Names(), Lines{"a.zmd"}) << Opt;
  }
}

TEST(TidexBin, CountsNoneAndOneWithTheSameWords) {
  TTempTree T;
  T.File("a.zmd");
  TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, Lines{"0 files deleted."});
  EXPECT_EQ(R.Code, 0);
  T.File("a.qaw");
  R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("a.qaw"), "1 files deleted."}));
  EXPECT_EQ(R.Code, 0);
  EXPECT_EQ(R.Raw.back(), '\n');
}

TEST(TidexBin, AllThirteenExtensionsInTableOrder) {
  TTempTree T;
  T.File("m.zmd");
  const Lines Exts = {"wup", "qoj", "jeb", "vux", "kib", "dav", "huk",
                      "guv", "sog", "yal", "zob", "nur", "qaw"};
  for (const std::string& E : Exts) T.File("m." + E);
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  Lines Want;
  for (const std::string& E : Exts) Want.push_back("Deleting: " + T.Path("m." + E));
  Want.push_back("13 files deleted.");
  EXPECT_EQ(R.Lines, Want);
  EXPECT_EQ(T.Names(), Lines{"m.zmd"});
}

TEST(TidexBin, NamesWithSeveralDotsOrBlanks) {
  TTempTree T;
  T.File("my model.v2.zmd");
  T.File("my model.v2.WUP");
  T.File("my model.WUP");  // the stem ends at the last dot only
  T.File("my model.v2.zmd.WUP");
  T.File(" lead. zmd");
  T.File("x .zmd");
  T.File("x .dav");
  T.File("x.dav");
  const TRunResult R = RunTidexBin(T.Root(), {"/D"});
  EXPECT_EQ(R.Lines, (Lines{"Deleting: " + T.Path("my model.v2.WUP"),
                            "Deleting: " + T.Path("x .dav"), "2 files deleted."}));
  EXPECT_EQ(T.Names(), (Lines{" lead. zmd", "my model.WUP", "my model.v2.zmd",
                              "my model.v2.zmd.WUP", "x .zmd", "x.dav"}));
}

}  // namespace
}  // namespace modrask::test
