// diff end to end: a renamed copy made by Mardex, a changed value, and the
// framing and storage that must not count.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

TEST_F(InfoFiles, DiffOfRenamedCopy) {
  const std::string renamed = Renamed(std_, "zone.har", "reg", "ZONE");
  const std::string summary =
      "set REG renamed to ZONE, labels changed in 4 headers, all values equal, 1 history line "
      "added";
  const std::string relabelled = ": set REG renamed to ZONE; values equal\n";
  const std::string tail =
      "History added: Set reg was globally renamed to ZONE\nSummary: " + summary + "\n";
  // Only what differs by default; --all lists the equal headers too.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"diff", std_, renamed},
       "RG01" + relabelled + "A1" + relabelled + "A2" + relabelled + "A3" + relabelled},
      {{"diff", "--all", std_, renamed},
       "RG01" + relabelled + "CM01: equal\nA1" + relabelled + "A2" + relabelled + "A3" +
           relabelled + "INTS: equal\n"},
  };
  for (const auto& [args, headers] : cases) {
    const TInfoResult r = RunInfo(args);
    EXPECT_EQ(r.Code, 1) << args[1];
    EXPECT_EQ(r.Out, "OLD " + std_ + "\nNEW " + renamed + "\n" + headers + tail) << args[1];
  }
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"diff", "--json", std_, renamed}).Out);
  EXPECT_EQ(j["equal"], false);
  EXPECT_EQ(j["headers"].size(), 6u);  // JSON keeps every header
  EXPECT_EQ(j["summary"], summary);
  EXPECT_EQ(j["renames"], nlohmann::json::parse(R"([{"from":"REG","to":"ZONE","headers":4}])"));
  EXPECT_EQ(j["headers"][2], nlohmann::json::parse(R"({"name":"A1","type_equal":true,
      "dims_equal":true,"labels_equal":false,"long_name_equal":true,"values_equal":true,
      "renames":[{"from":"REG","to":"ZONE"}]})"));
  EXPECT_EQ(j["history_added"],
            nlohmann::json::parse(R"(["Set reg was globally renamed to ZONE"])"));
}

TEST_F(InfoFiles, FramingAndStorageAreNoDifference) {
  for (const TFileFlavour flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    const std::string other = Save("other.har", StandardFile(flavour, true));
    const TInfoResult r = RunInfo({"diff", std_, other});
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(r.Out.substr(r.Out.rfind("Summary")),
              "Summary: the files hold the same headers, labels, values and history\n");
  }
}

TEST_F(InfoFiles, DiffOfChangedValue) {
  const std::string other = dir_.File("other.har");
  WriteFileBytes(other, ChangedA2());
  const TInfoResult r = RunInfo({"diff", std_, other});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out.substr(r.Out.find("A2")),
            "A2: values differ in 1 cell, largest difference 0.75, first at (MANU,R1): 1 -> 1.75\n"
            "Summary: values differ in 1 header\n");
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"diff", other, std_, "--json"}).Out);
  EXPECT_EQ(j["headers"][3]["first_difference"],
            nlohmann::json::parse(R"({"cell":["MANU","R1"],"old":1.75,"new":1})"));
  EXPECT_EQ(j["headers"][3]["cells_differing"], 1);
}

TEST_F(InfoFiles, DiffOfHeadersInOneFileOnly) {
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("XXHS", "File History", {"another history"}, 60);
  f.Header1C("CM01", "Set COM Commodities", ComElements(), 12);
  f.Header2I("INTS", "Counts", 3, 2, {1, 2, 3, 4, 5, 6});
  f.Header2I("NEW1", "New counts", 1, 1, {1});
  const TInfoResult r = RunInfo({"diff", std_, Save("few.har", f)});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out.substr(r.Out.find("Only")),
            "Only in OLD: RG01 A1 A2 A3\n"
            "Only in NEW: NEW1\n"
            "INTS: dimensions 2x3 -> 3x2; values not compared\n"
            "History changed\n"
            "Summary: type or dimensions changed in 1 header, 4 headers only in OLD, 1 header "
            "only in NEW, all values equal, history changed\n");
}

std::string LineOf(const std::string& text, const std::string& start) {
  const size_t at = text.find("\n" + start) + 1;
  return text.substr(at, text.find('\n', at) - at);
}

TEST_F(InfoFiles, TypeAsTheFileStoresIt) {
  // TRAD's labels are flagged invalid: the writer puts it out as RL, which
  // the reader holds as RE; the listing and diff show the stored type.
  const std::string in = MODRASK_TEST_DATA "/fuzz/unwritable_labels_become_rl.har";
  const std::string rl = Renamed(in, "rl.har", "REG", "ZONE");
  EXPECT_EQ(LineOf(RunInfo({rl}).Out, "TRAD"),
            "TRAD    RL    SPSE     2x3x3            Seed array TRAD");
  const TInfoResult r = RunInfo({"diff", in, rl});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(LineOf(r.Out, "TRAD"),
            "TRAD: type RE -> RL; dimension 1: set COM became unlabelled; dimension 2: set REG "
            "became unlabelled; dimension 3: set REG became unlabelled; values equal");
}

}  // namespace
}  // namespace modrask::test
