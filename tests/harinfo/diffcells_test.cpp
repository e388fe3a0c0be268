// diff's tolerances, NaN rule and cell lists, and values matched by element
// name when a set's elements changed: near-copies of one small file.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

using nlohmann::json;

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float OtherNaN = std::bit_cast<float>(0x7fc00001u);

class DiffCells : public InfoFiles {
 protected:
  // A file with one header POP over set REG (one element per value).
  std::string Pop(const std::string& name, const std::vector<std::string>& reg,
                  const std::vector<float>& values) {
    THarBytes f(TFileFlavour::NewFujitsu);
    f.HeaderRE("POP", "Population", {{"REG", reg}}, values);
    return Save(name, f);
  }
  std::vector<std::string> Reg() const { return {"N", "S", "E", "W"}; }
  // harinfo diff --json of two POP files, the header's object.
  json PopJson(const std::vector<float>& oldValues, const std::vector<std::string>& newReg,
               const std::vector<float>& newValues, std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"diff", "--json", Pop("old.har", Reg(), oldValues),
                               Pop("new.har", newReg, newValues)});
    const TInfoResult r = RunInfo(args);
    EXPECT_EQ(r.Code, r.Out.find("\"equal\":true") != std::string::npos ? 0 : 1) << r.Err;
    return json::parse(r.Out);
  }
};

TEST_F(DiffCells, TolerancesAtAndJustBeyondTheLimit) {
  const std::vector<float> old{100, 200, 0, 4};
  struct TCase {
    std::vector<float> New;
    std::vector<std::string> Args;
    int Differing;
    int Absorbed;
  };
  const std::vector<TCase> cases{
      {{100.5f, 200, 0, 4}, {}, 1, 0},
      {{100.5f, 200, 0, 4}, {"--abs", "0.5"}, 0, 1},
      {{100.5f, 200, 0, 4}, {"--abs", "0.49"}, 1, 0},
      {{100.5f, 200, 0, 4}, {"--rel", "0.005"}, 0, 1},
      {{100.5f, 200, 0, 4}, {"--rel", "0.0049"}, 1, 0},
      {{100.5f, 201, 0, 4}, {"--abs", "0.25", "--rel", "0.0025"}, 1, 1},  // 0.5 in, 1 out
      {{100, 200, 0.25f, 4}, {"--rel", "1000"}, 1, 0},  // relative to a 0 is never within
      {{100, 200, 0.25f, 4}, {"--abs", "0.25"}, 0, 1},
      {{100, 200, -0.0f, 4}, {}, 1, 0},  // other bits
      {{100, 200, -0.0f, 4}, {"--abs", "0"}, 0, 1},
  };
  for (const TCase& c : cases) {
    const json j = PopJson(old, Reg(), c.New, c.Args);
    const std::string what = c.Args.empty() ? "exact" : c.Args[0] + " " + c.Args[1];
    const json& h = j["headers"][0];
    EXPECT_EQ(h["values_equal"], c.Differing == 0) << what;
    EXPECT_EQ(h.value("cells_differing", 0), c.Differing) << what;
    EXPECT_EQ(h.value("cells_within_tolerance", 0), c.Absorbed) << what;
    EXPECT_EQ(j["cells_within_tolerance"], c.Absorbed) << what;
    EXPECT_EQ(j["tolerance"]["exact"], c.Args.empty()) << what;
  }
}

TEST_F(DiffCells, NanRules) {
  struct TCase {
    float Old;
    float New;
    bool NanEqual;
    bool Equal;
  };
  const std::vector<TCase> cases{
      {NaN, NaN, false, true},  {NaN, OtherNaN, false, false}, {NaN, OtherNaN, true, true},
      {NaN, 1, true, false},    {1, NaN, true, false},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args;
    if (c.NanEqual) args = {"--nan-equal"};
    const json j = PopJson({c.Old, 2, 3, 4}, Reg(), {c.New, 2, 3, 4}, args);
    EXPECT_EQ(j["equal"], c.Equal) << c.Old << " " << c.New << " " << c.NanEqual;
  }
  // A NaN against a number is the largest difference there is, whatever
  // the tolerance.
  const json j = PopJson({NaN, 2, 3, 4}, Reg(), {1, 2, 3, 5}, {"--abs", "1e30", "--nan-equal"});
  EXPECT_EQ(j["headers"][0]["cells_differing"], 1);
  EXPECT_EQ(j["headers"][0]["largest_abs"]["cell"], json::parse(R"(["N"])"));
  EXPECT_EQ(j["headers"][0]["largest_abs"]["abs_difference"], nullptr);
  EXPECT_EQ(j["summary"],
            "values differ in 1 header, tolerance |new - old| <= 1e+30 + 0 x |old|, NaN equals "
            "NaN absorbed 1 cell");
}

TEST_F(DiffCells, LargestDifferencesAndListedCells) {
  const std::string o = Pop("old.har", Reg(), {100, 1, 10, 4});
  const std::string n = Pop("new.har", Reg(), {101, 2, 10, 1});
  // Largest absolute 3 at W, largest relative 1 (100 %) at S; --cells 2 by
  // either, the largest first.
  const TInfoResult byAbs = RunInfo({"diff", "--cells", "2", o, n});
  EXPECT_EQ(byAbs.Code, 1);
  EXPECT_EQ(byAbs.Out.substr(byAbs.Out.find("POP")),
            "POP: values differ in 3 cells, largest absolute difference 3 at (W): 4 -> 1, "
            "largest relative difference 1 at (S): 1 -> 2\n"
            "  POP(W): 4 -> 1, difference 3, relative 0.75\n"
            "  POP(N): 100 -> 101, difference 1, relative 0.01\n"
            "Summary: values differ in 1 header\n");
  const TInfoResult byRel = RunInfo({"diff", "--cells", "2", "--by", "rel", o, n});
  EXPECT_NE(byRel.Out.find("  POP(S): 1 -> 2, difference 1, relative 1\n"
                           "  POP(W): 4 -> 1, difference 3, relative 0.75\nSummary"),
            std::string::npos)
      << byRel.Out;
  // Every cell, streamed before the headers' lines, in text and JSON.
  const TInfoResult all = RunInfo({"diff", "--cells", "all", o, n});
  EXPECT_EQ(all.Out.substr(0, all.Out.find("POP: ")),
            "OLD " + o + "\nNEW " + n +
                "\nPOP(N): 100 -> 101, difference 1, relative 0.01\n"
                "POP(S): 1 -> 2, difference 1, relative 1\n"
                "POP(W): 4 -> 1, difference 3, relative 0.75\n");
  const json j = json::parse(RunInfo({"diff", "--json", "--cells", "all", o, n}).Out);
  EXPECT_EQ(j["cells"].size(), 3u);
  EXPECT_EQ(j["cells"][2], json::parse(R"({"header":"POP","cell":["W"],"old":4,"new":1,
      "abs_difference":3.0,"rel_difference":0.75})"));
  EXPECT_EQ(j["headers"][0]["cells_differing"], 3);
  const json two = json::parse(RunInfo({"diff", "--json", "--cells", "2", o, n}).Out);
  EXPECT_EQ(two["cells"], json({j["cells"][2], j["cells"][0]}));
  EXPECT_EQ(two["cells_by"], "abs");
}

TEST_F(DiffCells, ElementsMatchedByName) {
  const std::vector<float> old{1, 2, 3, 4};  // N S E W
  struct TCase {
    std::vector<std::string> Reg;
    std::vector<float> Values;
    std::string Line;  // POP's line
  };
  const std::vector<TCase> cases{
      {{"N", "S", "CENTRE", "W"}, {1, 2, 3, 4},
       "POP: dimension 1: elements of REG changed: renamed E -> CENTRE; values equal"},
      {{"W", "E", "S", "N"}, {4, 3, 2, 1},
       "POP: dimension 1: elements of REG changed: reordered; values equal"},
      {{"W", "E", "S", "N"}, {4, 3, 2, 9},
       "POP: dimension 1: elements of REG changed: reordered; values differ in 1 cell, largest "
       "difference 8, first at (N): 1 -> 9"},
      {{"N", "S", "E", "W", "X"}, {1, 2, 3, 4, 5},
       "POP: dimensions REG 4 -> REG 5; dimension 1: elements of REG changed: added X; values "
       "equal, 1 cell only in NEW"},
      {{"S", "N", "E"}, {2, 1, 3},
       "POP: dimensions REG 4 -> REG 3; dimension 1: elements of REG changed: removed W, "
       "reordered; values equal, 1 cell only in OLD"},
      {{"A", "B", "C", "D"}, {1, 2, 3, 4},
       "POP: dimension 1: elements of REG changed: no element in common; values not compared: "
       "dimension 1: the elements of REG all changed"},
  };
  for (const TCase& c : cases) {
    const TInfoResult r =
        RunInfo({"diff", Pop("old.har", Reg(), old), Pop("new.har", c.Reg, c.Values)});
    EXPECT_EQ(r.Code, 1);
    const size_t at = r.Out.find("POP");
    EXPECT_EQ(r.Out.substr(at, r.Out.find('\n', at) - at), c.Line);
  }
  const json j = PopJson(old, {"W", "S", "MID", "N", "X"}, {4, 2, 3, 1, 0});
  EXPECT_EQ(j["headers"][0]["element_changes"], json::parse(R"([{"dimension":1,"old_set":"REG",
      "new_set":"REG","renamed":[{"from":"E","to":"MID"}],"added":["X"],"removed":[],
      "reordered":true}])"));
  EXPECT_EQ(j["headers"][0]["values_equal"], true);
  EXPECT_EQ(j["headers"][0]["cells_only_in_new"], 1);
}

TEST_F(DiffCells, TwoDimensionsMatchedByNameAndShapesNotComparable) {
  THarBytes a(TFileFlavour::NewFujitsu);
  a.HeaderRE("FLOW", "Flows", {{"REG", {"N", "S"}}, {"COM", {"F", "M", "X"}}}, {1, 2, 3, 4, 5, 6});
  a.HeaderRE("POP", "Population", {{"REG", {"N", "S"}}}, {1, 2});
  THarBytes b(TFileFlavour::OldLahey);
  // REG reordered, COM lost X and gained Y: cell (S,M) changed from 4 to 40.
  b.HeaderRE("FLOW", "Flows", {{"REG", {"S", "N"}}, {"COM", {"Y", "M", "F"}}},
             {0, 0, 40, 3, 2, 1});
  b.HeaderRE("POP", "Population", {{"REG", {"N", "S"}}, {"COM", {"F"}}}, {1, 2});
  const json j = json::parse(RunInfo({"diff", "--json", Save("a.har", a), Save("b.har", b)}).Out);
  const json& flow = j["headers"][0];
  EXPECT_EQ(flow["cells_differing"], 1);
  EXPECT_EQ(flow["first_difference"], json::parse(R"({"cell":["S","M"],"old":4,"new":40})"));
  EXPECT_EQ(flow["cells_only_in_old"], 2);
  EXPECT_EQ(flow["cells_only_in_new"], 2);
  EXPECT_EQ(j["headers"][1]["values_equal"], nullptr);
  EXPECT_EQ(j["headers"][1]["not_comparable"], "OLD has 1 dimension, NEW 2");
}

TEST_F(DiffCells, BadOptions) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"--abs", "-1"}, "--abs wants a non-negative number, not '-1'"},
      {{"--rel", "x"}, "--rel wants a non-negative number, not 'x'"},
      {{"--rel", "nan"}, "--rel wants a non-negative number, not 'nan'"},
      {{"--cells", "some"}, "--cells wants a count or 'all', not 'some'"},
      {{"--cells", "-3"}, "--cells wants a count or 'all', not '-3'"},
      {{"--by", "size"}, "--by wants abs or rel, not 'size'"},
  };
  for (auto [args, err] : cases) {
    args.insert(args.begin(), {"diff", std_, std_});
    EXPECT_EQ(RunInfo(args), (TInfoResult{2, "", "harinfo: " + err + "\n"}));
  }
  EXPECT_EQ(RunInfo({"sets", std_, "--abs", "1"}).Err,
            "harinfo: --abs, --rel, --nan-equal, --cells, --by, --recursive and --detail apply "
            "to harinfo diff only\n");
}

}  // namespace
}  // namespace modrask::test
