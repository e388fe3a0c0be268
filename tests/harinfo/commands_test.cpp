// Each command end to end on files of the Mardex suite's writer, in-process:
// the listing, sets, show, csv and history, their JSON and CSV shapes, and
// where options may stand.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fuzz/seeds_fixture.h"
#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

using nlohmann::json;

json ParsedOut(const TInfoResult& r) {
  EXPECT_EQ(r.Code, 0) << r.Err;
  return json::parse(r.Out);
}

// An array over an unlabelled dimension, REG with its elements and COM
// without them.
THarBytes MixedFile() {
  THarBytes f(TFileFlavour::NewFujitsu);
  std::vector<float> v(30, 0.0f);
  v[1] = 2.5f;
  v[29] = -1.0f;
  f.HeaderRE("MIX", "Mixed labels", {{"", {}, 2}, {"REG", RegElements()}, {"COM", {}, 3}}, v);
  return f;
}

TEST_F(InfoFiles, ListingTable) {
  const TInfoResult r = RunInfo({std_});
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(r.Out, std_ +
                       ": New Fujitsu, 6 headers, created at unknown time, program unknown\n"
                       "Header  Type  Storage  Dimensions       Long name\n"
                       "RG01    1C             5 strings of 12  Set REG Regions of the world\n"
                       "CM01    1C             3 strings of 12  Set COM Commodities\n"
                       "A1      RE    FULL     REG 5            Output by region\n"
                       "A2      RE    FULL     COM*REG 3x5      Sales by commodity and region\n"
                       "A3      RE    SPSE     REG*COM 5x3      Sparse flows\n"
                       "INTS    2I             2x3              Counts\n");
}

TEST_F(InfoFiles, ListingJson) {
  const json j = ParsedOut(RunInfo({"--json", std_}));
  EXPECT_EQ(j["file"], std_);
  EXPECT_EQ(j["framing"], "New Fujitsu");
  EXPECT_EQ(j["created"], "at unknown time");
  EXPECT_EQ(j["program"], "unknown");
  ASSERT_EQ(j["headers"].size(), 6u);
  EXPECT_EQ(j["headers"][0], json::parse(R"({"name":"RG01","type":"1C","long_name":
      "Set REG Regions of the world","strings":5,"string_length":12})"));
  EXPECT_EQ(j["headers"][4], json::parse(R"({"name":"A3","type":"RE","long_name":"Sparse flows",
      "storage":"SPSE","dims":[5,3],"labels":[{"set":"REG","size":5},{"set":"COM","size":3}]})"));
  EXPECT_EQ(j["headers"][5], json::parse(R"({"name":"INTS","type":"2I","long_name":"Counts",
      "rows":2,"cols":3})"));
  // A set without element names is a set; only a nameless dimension is unlabelled.
  const std::string mixed = Save("mixed.har", MixedFile());
  EXPECT_EQ(ParsedOut(RunInfo({mixed, "--json"}))["headers"][0]["labels"],
            json::parse(R"([{"size":2},{"set":"REG","size":5},{"set":"COM","size":3}])"));
  EXPECT_EQ(RunInfo({mixed}).Out.substr(RunInfo({mixed}).Out.find("MIX ")),
            "MIX     RE    FULL     2*REG*COM 2x5x3  Mixed labels\n");
}

TEST_F(InfoFiles, EveryKindOfLabelFromOurWriter) {
  std::vector<std::string> seeds;
  std::string msg;
  ASSERT_TRUE(fuzz::MakeSeedFiles(dir_.Path().string(), seeds, msg)) << msg;
  const std::string labels = dir_.File("labels_new.har");
  const std::string list = RunInfo({labels}).Out;
  EXPECT_EQ(list.substr(list.find('\n') + 1),
            "Header  Type  Storage  Dimensions          Long name\n"
            "REG     1C             3 strings of 12     Set REG seed set\n"
            "UNKN    RE    FULL     COM*YR 2x3          Seed array UNKN\n"
            "ELEM    RE    FULL     REG(SOUTH)*COM 1x2  Seed array ELEM\n"
            "PLN     RL    FULL     4                   Seed array PLN\n"
            "NOTE    1C             3 strings of 30     Free text, not a set\n");
  const json j = ParsedOut(RunInfo({labels, "--json"}));
  EXPECT_EQ(j["headers"][2]["labels"],
            json::parse(R"([{"set":"REG","element":"SOUTH"},{"set":"COM","size":2}])"));
  EXPECT_EQ(j["headers"][3]["labels"], json::parse(R"([{"size":4}])"));
  EXPECT_EQ(RunInfo({"csv", labels, "elem"}).Out.substr(0, 22), "REG,COM,Value\nSOUTH,AG");
}

TEST_F(InfoFiles, OptionsStandAnywhere) {
  const std::vector<std::vector<std::vector<std::string>>> same{
      {{"--json", std_}, {std_, "--json"}},
      {{"--json", "sets", std_}, {"sets", "--json", std_}, {"sets", std_, "--json"}},
      {{"--nonzero", "csv", std_, "A3"}, {"csv", std_, "--nonzero", "a3"}},
  };
  for (const auto& group : same) {
    for (const auto& args : group) EXPECT_EQ(RunInfo(args), RunInfo(group.front())) << args[0];
  }
}

TEST_F(InfoFiles, Sets) {
  EXPECT_EQ(RunInfo({"sets", std_}).Out,
            "REG (5), defined by RG01, used by 3 headers\n"
            "    R1 R2 R3 R4 R5\n"
            "COM (3), defined by CM01, used by 2 headers\n"
            "    AGRI MANU SERV\n");
  const json j = ParsedOut(RunInfo({"sets", "--json", Save("mixed.har", MixedFile())}));
  EXPECT_EQ(j, json::parse(R"({"sets":[
      {"name":"REG","size":5,"elements":["R1","R2","R3","R4","R5"],"defined_by":null,
       "used_by":["MIX"],"sets_of_this_name":1,"element_lists":1,"name_differs_in":null},
      {"name":"COM","size":3,"elements":[],"defined_by":null,"used_by":["MIX"],
       "sets_of_this_name":1,"element_lists":0,"name_differs_in":null}]})"));
}

TEST_F(InfoFiles, ShowSparseArray) {
  EXPECT_EQ(RunInfo({"show", std_, "a3"}).Out,
            "Header: A3\n"
            "Type: RE, SPSE\n"
            "Long name: Sparse flows\n"
            "Dimensions: REG*COM 5x3\n"
            "Dimension 1: set REG (5): R1 R2 R3 R4 R5\n"
            "Dimension 2: set COM (3): AGRI MANU SERV\n"
            "Values: 15 cells, 2 not zero, least -3, greatest 7.25, sum 4.25\n"
            "First 2 non-zero cells:\n"
            "REG  COM   Value\n"
            "R1   AGRI   7.25\n"
            "R5   SERV     -3\n");
  EXPECT_EQ(ParsedOut(RunInfo({"show", "--json", std_, "a3"}))["preview_nonzero_only"], true);
  const json j = ParsedOut(RunInfo({"show", "--json", std_, "INTS"}));
  EXPECT_EQ(j["cells"], 6);
  EXPECT_EQ(j["max"], 6);
  EXPECT_EQ(j["preview"][1], json::parse(R"({"cell":["2","1"],"value":2})"));
}

TEST_F(InfoFiles, CsvOfEachType) {
  const std::string mixed = Save("mixed.har", MixedFile());
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"csv", std_, "a1"}, "REG,Value\nR1,1\nR2,2\nR3,3\nR4,4\nR5,5\n"},
      {{"csv", "--nonzero", std_, "A3"}, "REG,COM,Value\nR1,AGRI,7.25\nR5,SERV,-3\n"},
      {{"csv", std_, "INTS"}, "row,col,Value\n1,1,1\n2,1,2\n1,2,3\n2,2,4\n1,3,5\n2,3,6\n"},
      {{"csv", std_, "CM01"}, "String\nAGRI\nMANU\nSERV\n"},
      {{"csv", mixed, "mix", "--nonzero"}, "dim1,REG,COM,Value\n2,R1,1,2.5\n2,R5,3,-1\n"},
  };
  for (const auto& [args, out] : cases) {
    const TInfoResult r = RunInfo(args);
    EXPECT_EQ(r.Code, 0) << args[2];
    EXPECT_EQ(r.Out, out) << args[2];
  }
  // Values as the shortest decimal that reads back as the same float.
  const std::string csv = RunInfo({"csv", std_, "A2"}).Out;
  EXPECT_EQ(csv.substr(0, 43), "COM,REG,Value\nAGRI,R1,0.5\nMANU,R1,1\nSERV,R1");
}

// One name for several sets: of different sizes, or of one size with other
// elements, each said as it is, in text and JSON.
TEST_F(InfoFiles, SetsSharingAName) {
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("RG01", "Set REG Regions", {"NORTX", "SOUTH"}, 12);
  f.HeaderRE("A1", "Same size", {{"REG", {"NORTH", "SOUTH"}}}, {1, 2});
  f.HeaderRE("CM01", "Set COM Commodities", {{"COM", {"AGRI", "MANU"}}}, {1, 2});
  const std::string same = Save("same.har", f);
  f.HeaderRE("A2", "Other size", {{"COM", {"AGRI", "MANU", "SERV"}}}, {1, 2, 3});
  const std::string sizes = Save("sizes.har", f);
  const std::string text = RunInfo({"sets", same}).Out;
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "REG (2), defined by RG01, used by 1 header; its headers give it 2 different element "
            "lists");
  const std::string other = RunInfo({"sets", sizes}).Out;
  EXPECT_NE(
      other.find("COM (3), used by 1 header; the name stands for 2 sets of different sizes\n"),
      std::string::npos)
      << other;
  std::vector<std::tuple<std::string, int, int, json>> flags;
  const json sizesJson = ParsedOut(RunInfo({"sets", "--json", sizes}));
  for (const json& set : sizesJson["sets"]) {
    flags.emplace_back(set["name"], set["sets_of_this_name"], set["element_lists"],
                       set["name_differs_in"]);
  }
  EXPECT_EQ(flags, (std::vector<std::tuple<std::string, int, int, json>>{
                       {"REG", 1, 2, "elements"}, {"COM", 2, 1, "sizes"}, {"COM", 2, 1, "sizes"}}));
  // One list, one size: no mark.
  EXPECT_EQ(ParsedOut(RunInfo({"sets", "--json", std_}))["sets"][0]["name_differs_in"], nullptr);
}

// Real data: long element lists wrapped and elided, and a sum that single
// precision could not hold.
TEST_F(InfoFiles, ShowLongListsAndLargeSums) {
  std::vector<std::string> many;
  for (int i = 1; i <= 250; ++i) many.push_back("E" + std::to_string(i));
  std::vector<float> values(250, 1.0f);
  values[0] = 16777216.0f;  // 2^24: adding 1 in single precision is lost
  THarBytes f(TFileFlavour::NewFujitsu);
  f.HeaderRE("LONG", "Many elements", {{"BIG", many}}, values);
  const std::string out = RunInfo({"show", Save("long.har", f), "LONG"}).Out;
  const std::string dims =
      out.substr(out.find("Dimension 1"), out.find("Values:") - out.find("Dimension 1"));
  std::vector<std::string> lines;
  for (size_t at = 0; at < dims.size(); at = dims.find('\n', at) + 1) {
    lines.push_back(dims.substr(at, dims.find('\n', at) - at));
  }
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "Dimension 1: set BIG (250):");
  EXPECT_EQ(lines.back(), "    ... and 150 more");
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 78u);
    EXPECT_EQ(lines[i].substr(0, 5), "    E");
  }
  EXPECT_NE(lines[lines.size() - 2].find(" E100"), std::string::npos);
  EXPECT_NE(out.find(", sum 16777465\n"), std::string::npos) << out;
}

TEST_F(InfoFiles, History) {
  EXPECT_EQ(RunInfo({"history", std_}), (TInfoResult{0, "made by the test suite\n", ""}));
  EXPECT_EQ(ParsedOut(RunInfo({"history", "--json", std_})),
            json::parse(R"({"history":["made by the test suite"]})"));
}

// CSV column names are unique (DictReader and pandas keep every column);
// show's JSON keeps both the set name and the column name.
TEST_F(InfoFiles, CsvColumnNamesAreUnique) {
  const std::string sample = MODRASK_SAMPLE;
  const std::string trad = RunInfo({"csv", sample, "TRAD"}).Out;
  EXPECT_EQ(trad.substr(0, trad.find('\n')), "COM,REG,REG_3,Value");
  THarBytes f(TFileFlavour::NewFujitsu);
  f.HeaderRE("REPS", "Repeated sets",
             {{"REG", {"A"}}, {"REG_3", {"B"}}, {"REG", {"A"}}, {"", {}, 1}, {"", {}, 1}}, {1.0f});
  const std::string reps = Save("reps.har", f);
  const std::string csv = RunInfo({"csv", reps, "REPS"}).Out;
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "REG,REG_3,REG_3_,dim4,dim5,Value");
  const json j = ParsedOut(RunInfo({"show", "--json", reps, "REPS"}));
  std::vector<std::pair<std::string, std::string>> setAndColumn;
  for (const json& label : j["labels"]) {
    setAndColumn.emplace_back(label.value("set", ""), label["column"]);
  }
  EXPECT_EQ(
      setAndColumn,
      (std::vector<std::pair<std::string, std::string>>{
          {"REG", "REG"}, {"REG_3", "REG_3"}, {"REG", "REG_3_"}, {"", "dim4"}, {"", "dim5"}}));
}

}  // namespace
}  // namespace modrask::test
