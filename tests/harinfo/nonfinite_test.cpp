// Values that are not finite are shown as the file holds them, not as the
// reading library's mark 424242: in show, csv, JSON, and bit for bit in diff.
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "harinfo/harinfo_fixture.h"
#include "modrask/har/harread.h"

namespace modrask::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class NonFinite : public InfoFiles {
 protected:
  void SetUp() override {
    InfoFiles::SetUp();
    THarBytes f(TFileFlavour::NewFujitsu);
    f.HeaderRE("NANS", "Stored non-finite values", {{"REG", RegElements()}},
               {1.5f, kNaN, kInf, -kInf, 2.0f});
    nans_ = Save("nans.har", f);
  }
  std::string nans_;
};

TEST_F(NonFinite, ShowAndCsvGiveTheStoredValues) {
  const TInfoResult show = RunInfo({"show", nans_, "nans"});
  EXPECT_EQ(show.Err, "");
  EXPECT_EQ(show.Out.substr(show.Out.find("Values:")),
            "Values: 5 cells, 5 not zero, 3 not finite, least 1.5, greatest 2, sum 3.5\n"
            "First 5 cells:\n"
            "REG  Value\n"
            "R1     1.5\n"
            "R2     NaN\n"
            "R3     Inf\n"
            "R4    -Inf\n"
            "R5       2\n");
  EXPECT_EQ(RunInfo({"csv", nans_, "NANS"}),
            (TInfoResult{0, "REG,Value\nR1,1.5\nR2,NaN\nR3,Inf\nR4,-Inf\nR5,2\n", ""}));
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"show", "--json", nans_, "NANS"}).Out);
  EXPECT_EQ(j["nonfinite"], 3);
  EXPECT_EQ(j["sum"], 3.5);
  std::vector<nlohmann::json> values;
  for (const nlohmann::json& cell : j["preview"]) values.push_back(cell["value"]);
  EXPECT_EQ(values, (std::vector<nlohmann::json>{1.5, nullptr, nullptr, nullptr, 2.0}));
}

// Mardex marks the non-finite cells 424242 (as the library does by default):
// the renamed copy differs from its source in exactly those cells.
TEST_F(NonFinite, DiffSeesTheMarkMardexWrote) {
  const std::string renamed = Renamed(nans_, "renamed.har", "REG", "ZONE");
  EXPECT_EQ(RunInfo({"csv", renamed, "NANS"}).Out,
            "ZONE,Value\nR1,1.5\nR2,424242\nR3,424242\nR4,424242\nR5,2\n");
  const TInfoResult r = RunInfo({"diff", nans_, renamed});
  EXPECT_EQ(r.Code, 1);
  EXPECT_NE(r.Out.find("NANS: set REG renamed to ZONE; values differ in 3 cells, largest "
                       "difference Inf, first at (R2): NaN -> 424242\n"),
            std::string::npos)
      << r.Out;
  const nlohmann::json j = nlohmann::json::parse(RunInfo({"diff", "--json", nans_, renamed}).Out);
  EXPECT_EQ(j["headers"][0]["cells_differing"], 3);
  // A file is equal to itself, NaN cells included.
  EXPECT_EQ(RunInfo({"diff", nans_, nans_}).Code, 0);
  EXPECT_EQ(RunInfo({"diff", renamed, renamed}).Code, 0);
}

}  // namespace
}  // namespace modrask::test
