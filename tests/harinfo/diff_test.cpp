// diff end to end: a renamed copy made by Mardex, a changed value, and the
// framing and storage that must not count.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

// The standard file with its arrays stored another way: A2 sparse, A3 full,
// in `flavour`; `a2Second` replaces the second value of A2.
THarBytes Restored(TFileFlavour flavour, float a2Second) {
  THarBytes f(flavour);
  f.Header1C("XXHS", "File History", {"made by the test suite"}, 60);
  f.Header1C("RG01", "Set REG Regions of the world", RegElements(), 12);
  f.Header1C("CM01", "Set COM Commodities", ComElements(), 12);
  f.HeaderRE("A1", "Output by region", {{"REG", RegElements()}}, {1, 2, 3, 4, 5});
  std::vector<float> a2(15);
  for (size_t i = 0; i < a2.size(); ++i) a2[i] = 0.5f * static_cast<float>(i + 1);
  a2[1] = a2Second;
  f.HeaderRE("A2", "Sales by commodity and region",
             {{"COM", ComElements()}, {"REG", RegElements()}}, a2, true);
  std::vector<float> a3(15, 0.0f);
  a3[0] = 7.25f;
  a3[14] = -3.0f;
  f.HeaderRE("A3", "Sparse flows", {{"REG", RegElements()}, {"COM", ComElements()}}, a3);
  f.Header2I("INTS", "Counts", 2, 3, {1, 2, 3, 4, 5, 6});
  return f;
}

TEST_F(InfoFiles, DiffOfRenamedCopy) {
  const std::string renamed = Renamed(std_, "zone.har", "reg", "ZONE");
  const TInfoResult r = RunInfo({"diff", std_, renamed});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out, "OLD " + std_ + "\nNEW " + renamed +
                       "\n"
                       "RG01: set REG renamed to ZONE; values equal\n"
                       "CM01: equal\n"
                       "A1: set REG renamed to ZONE; values equal\n"
                       "A2: set REG renamed to ZONE; values equal\n"
                       "A3: set REG renamed to ZONE; values equal\n"
                       "INTS: equal\n"
                       "History added: Set reg was globally renamed to ZONE\n"
                       "Summary: set REG renamed to ZONE, labels changed in 4 headers, all values "
                       "equal, 1 history line added\n");
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"diff", "--json", std_, renamed}).Out);
  EXPECT_EQ(j["equal"], false);
  EXPECT_EQ(j["renames"], nlohmann::json::parse(R"([{"from":"REG","to":"ZONE","headers":4}])"));
  EXPECT_EQ(j["headers"][2], nlohmann::json::parse(R"({"name":"A1","type_equal":true,
      "dims_equal":true,"labels_equal":false,"long_name_equal":true,"values_equal":true,
      "renames":[{"from":"REG","to":"ZONE"}]})"));
  EXPECT_EQ(j["history_added"],
            nlohmann::json::parse(R"(["Set reg was globally renamed to ZONE"])"));
}

TEST_F(InfoFiles, FramingAndStorageAreNoDifference) {
  for (const TFileFlavour flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    const std::string other = Save("other.har", Restored(flavour, 1.0f));
    const TInfoResult r = RunInfo({"diff", std_, other});
    EXPECT_EQ(r.Code, 0) << r.Out;
    EXPECT_EQ(r.Out.substr(r.Out.rfind("Summary")),
              "Summary: the files hold the same headers, labels, values and history\n");
  }
}

TEST_F(InfoFiles, DiffOfChangedValue) {
  const std::string other = Save("other.har", Restored(TFileFlavour::NewFujitsu, 1.75f));
  const TInfoResult r = RunInfo({"diff", std_, other});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out.substr(r.Out.find("A2")),
            "A2: values differ in 1 cell, largest difference 0.75, first at (MANU,R1): 1 -> 1.75\n"
            "A3: equal\n"
            "INTS: equal\n"
            "Summary: values differ in 1 header\n");
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"diff", other, std_, "--json"}).Out);
  EXPECT_EQ(j["headers"][3]["first_difference"],
            nlohmann::json::parse(R"({"cell":["MANU","R1"],"old":"1.75","new":"1"})"));
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
            "CM01: equal\n"
            "INTS: dimensions 2x3 -> 3x2; values not compared\n"
            "History changed\n"
            "Summary: type or dimensions changed in 1 header, 4 headers only in OLD, 1 header "
            "only in NEW, all values equal, history changed\n");
}

}  // namespace
}  // namespace modrask::test
