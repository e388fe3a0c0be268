// diff of two folders: files in both compared, files in one only listed,
// other files counted, a damaged file reported while the rest still count.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

using nlohmann::json;

class DiffFolders : public InfoFiles {
 protected:
  void SetUp() override {
    InfoFiles::SetUp();
    for (const char* sub : {"base", "policy", "base/sub", "policy/sub"}) {
      std::filesystem::create_directories(dir_.Path() / sub);
    }
    base_ = dir_.File("base");
    policy_ = dir_.File("policy");
    const std::string same = ReadFileBytes(std_);
    for (const std::string& dir : {base_, policy_}) {
      WriteFileBytes(dir + "/same.har", same);
      WriteFileBytes(dir + "/sub/deep.har", same);
      WriteFileBytes(dir + "/notes.txt", "not a Header Array file");
    }
    WriteFileBytes(base_ + "/changed.HAR", same);
    WriteFileBytes(policy_ + "/changed.HAR", ChangedA2());
    WriteFileBytes(base_ + "/gone.har", same);
    WriteFileBytes(policy_ + "/extra.sl4", same);
  }
  std::string base_;
  std::string policy_;
};

TEST_F(DiffFolders, SummaryLinesDetailAndJson) {
  const TInfoResult r = RunInfo({"diff", base_, policy_});
  EXPECT_EQ(r, (TInfoResult{1,
                            "OLD " + base_ + "\nNEW " + policy_ +
                                "\nchanged.HAR: values differ in 1 header\n"
                                "Only in OLD: gone.har\nOnly in NEW: extra.sl4\n"
                                "Summary: 2 files compared, 1 differs, 1 file only in OLD, 1 "
                                "file only in NEW, 2 other files ignored\n",
                            ""}));
  const TInfoResult deep = RunInfo({"diff", "--recursive", "--detail", base_, policy_});
  EXPECT_NE(deep.Out.find("OLD " + base_ + "/changed.HAR\nNEW " + policy_ +
                          "/changed.HAR\nA2: values differ in 1 cell"),
            std::string::npos)
      << deep.Out;
  EXPECT_NE(deep.Out.find("Summary: 3 files compared, 1 differs,"), std::string::npos);
  const json j = json::parse(RunInfo({"diff", "--json", "--abs", "1", base_, policy_}).Out);
  EXPECT_EQ(j["equal"], false);  // gone.har and extra.sl4 stay
  EXPECT_EQ(j["files"].size(), 2u);
  EXPECT_EQ(j["files"][0]["name"], "changed.HAR");
  EXPECT_EQ(j["files"][0]["equal"], true);  // 0.75 is within 1
  EXPECT_EQ(j["files"][0]["diff"]["cells_within_tolerance"], 1);
  EXPECT_EQ(j["only_in_old"], json::parse(R"(["gone.har"])"));
  EXPECT_EQ(j["other_files_ignored"], 2);
}

TEST_F(DiffFolders, EqualFoldersAndTrouble) {
  std::filesystem::remove(base_ + "/gone.har");
  std::filesystem::remove(policy_ + "/extra.sl4");
  WriteFileBytes(policy_ + "/changed.HAR", ReadFileBytes(std_));
  EXPECT_EQ(RunInfo({"diff", base_, policy_}).Out,
            "OLD " + base_ + "\nNEW " + policy_ +
                "\nSummary: the folders hold the same Header Array files, 2 files compared, 2 "
                "other files ignored\n");
  EXPECT_EQ(RunInfo({"diff", base_, policy_}).Code, 0);
  // A damaged file: reported, the others still compared, exit 2.
  const std::string bytes = ReadFileBytes(std_);
  WriteFileBytes(policy_ + "/changed.HAR", bytes.substr(0, bytes.size() / 2));
  const TInfoResult r = RunInfo({"diff", base_, policy_});
  EXPECT_EQ(r.Code, 2);
  EXPECT_NE(r.Err.find("harinfo: " + policy_ + "/changed.HAR: "), std::string::npos) << r.Err;
  EXPECT_NE(r.Out.find("changed.HAR: not compared: "), std::string::npos);
  EXPECT_NE(r.Out.find("Summary: 2 files compared, 1 file not readable, 2 other files ignored"),
            std::string::npos)
      << r.Out;
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{base_, std_}, base_ + ": is a folder, not a file"},
      {{dir_.File("none"), base_}, dir_.File("none") + ": no such file or folder"},
      {{std_, std_, "--recursive"}, "--recursive and --detail apply to folders"},
  };
  for (auto [args, err] : cases) {
    args.insert(args.begin(), "diff");
    EXPECT_EQ(RunInfo(args), (TInfoResult{2, "", "harinfo: " + err + "\n"}));
  }
}

}  // namespace
}  // namespace modrask::test
