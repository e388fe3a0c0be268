// The viewer's requests in-process: every slice of the standard file and of
// a three-dimensional array checked against `harinfo csv` (the library's own
// reading), 1C and 2I headers, a comparison with a changed cell, and the
// requests that must be refused.
#include "harinfo/viewapi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "harinfo/harinfo_fixture.h"

namespace modrask::test {
namespace {

using nlohmann::json;

constexpr const char* Token = "0123456789abcdef0123456789abcdef";
constexpr uint16_t Port = 8123;
constexpr const char* Host = "127.0.0.1:8123";

std::vector<float> CubeValues() {
  std::vector<float> v(30);
  for (size_t i = 0; i < v.size(); ++i) v[i] = 0.25f * static_cast<float>(i) - 2.0f;
  return v;
}

// A REG x unlabelled x COM array with distinct values; `last` the value of
// its last cell.
THarBytes CubeFile(const std::vector<std::string>& reg = RegElements(), float last = 5.25f,
                   std::vector<float> v = CubeValues()) {
  THarBytes f(TFileFlavour::NewFujitsu);
  v.back() = last;
  f.HeaderRE("ONE", "No dimensions", {}, {3.5f});
  f.HeaderRE("CUBE", "Three dimensions", {{"REG", reg}, {"", {}, 2}, {"COM", ComElements()}}, v);
  return f;
}

// One CSV row of `harinfo csv`: the labels and the value.
struct TCsvCell {
  std::vector<std::string> Labels;
  double Value = 0;
};

std::vector<TCsvCell> CsvCells(const std::string& file, const std::string& header) {
  const TInfoResult r = RunInfo({"csv", file, header});
  EXPECT_EQ(r.Code, 0) << r.Err;
  std::istringstream in(r.Out);
  std::string line;
  std::getline(in, line);  // titles
  std::vector<TCsvCell> cells;
  while (std::getline(in, line)) {
    TCsvCell c;
    std::istringstream fields(line);
    std::string field;
    while (std::getline(fields, field, ',')) c.Labels.push_back(field);
    c.Value = std::stod(c.Labels.back());
    c.Labels.pop_back();
    cells.push_back(std::move(c));
  }
  return cells;
}

// A viewer session of some files, admitted with the test's token and port.
class TViewer {
 public:
  // Fails with the reader's message when a file cannot be opened.
  ::testing::AssertionResult Open(const std::vector<std::string>& files) {
    std::string msg;
    if (!session_.Open(files, msg)) return ::testing::AssertionFailure() << msg;
    session_.Admit(Token, Port);
    return ::testing::AssertionSuccess();
  }
  // The answer to `target` as it stands, from `host`.
  harinfo::TViewAnswer Raw(const std::string& target, const std::string& host) {
    return harinfo::AnswerView(session_, target, host);
  }
  // The answer to `target` with the token added.
  harinfo::TViewAnswer Get(const std::string& target, const std::string& host = Host) {
    const char sep = target.find('?') == std::string::npos ? '?' : '&';
    return Raw(target + sep + "token=" + Token, host);
  }
  // Get's answer, which must be JSON with status 200, parsed.
  json GetJson(const std::string& target) {
    const harinfo::TViewAnswer a = Get(target);
    EXPECT_EQ(a.Status, 200) << target << ": " << a.Body;
    EXPECT_EQ(a.ContentType, "application/json");
    return json::parse(a.Body);
  }

 private:
  harinfo::TViewSession session_;
};

class ViewApi : public InfoFiles, public TViewer {};

// The expected table of `sel` from the CSV cells: rows x cols sums of the
// cells whose labels match the fixed elements.
void ExpectSliceMatchesCsv(const json& slice, const std::vector<TCsvCell>& cells,
                           const std::vector<std::string>& sel, const json& dims,
                           const std::string& what) {
  const json& rows = slice["rows"];
  const json& cols = slice["cols"];
  const int rowDim = rows["dim"].get<int>() - 1;
  const int colDim = cols.is_null() ? -1 : cols["dim"].get<int>() - 1;
  std::map<std::pair<std::string, std::string>, double> sums;
  std::map<std::string, double> rowSums;
  std::map<std::string, double> colSums;
  double total = 0;
  for (const TCsvCell& c : cells) {
    bool match = true;
    for (size_t k = 0; k < sel.size(); ++k) {
      if (sel[k] == "r" || sel[k] == "c" || sel[k] == "t") continue;
      match = match && c.Labels[k] == dims[k]["elements"][std::stoi(sel[k]) - 1];
    }
    if (!match) continue;
    const std::string r = c.Labels[static_cast<size_t>(rowDim)];
    const std::string col = colDim < 0 ? "" : c.Labels[static_cast<size_t>(colDim)];
    sums[{r, col}] += c.Value;
    rowSums[r] += c.Value;
    colSums[col] += c.Value;
    total += c.Value;
  }
  ASSERT_EQ(slice["values"].size(), rows["names"].size()) << what;
  for (size_t i = 0; i < rows["names"].size(); ++i) {
    const std::string r = rows["names"][i];
    const size_t n = cols.is_null() ? 1 : cols["names"].size();
    ASSERT_EQ(slice["values"][i].size(), n) << what;
    for (size_t j = 0; j < n; ++j) {
      const std::string col = cols.is_null() ? "" : cols["names"][j].get<std::string>();
      EXPECT_DOUBLE_EQ(slice["values"][i][j].get<double>(), (sums[{r, col}]))
          << what << " " << r << "," << col;
      if (i == 0) {
        EXPECT_DOUBLE_EQ(slice["col_totals"][j].get<double>(), colSums[col]) << what;
      }
    }
    EXPECT_DOUBLE_EQ(slice["row_totals"][i].get<double>(), rowSums[r]) << what;
  }
  EXPECT_DOUBLE_EQ(slice["total"].get<double>(), total) << what;
}

// Every arrangement of each dimension as rows, columns, total or each fixed
// element, on every array of the standard file and the cube.
TEST_F(ViewApi, EverySliceMatchesCsv) {
  const std::string cube = Save("cube.har", CubeFile());
  for (const std::string& file : {std_, cube}) {
    TViewer fresh;
    ASSERT_TRUE(fresh.Open({file}));
    const json list = fresh.GetJson("/api/headers?file=0");
    int checked = 0;
    for (const json& h : list["headers"]) {
      const std::string name = h["name"];
      if (h["type"] == "1C") continue;
      const json dims = fresh.GetJson("/api/header?h=" + name)["dims"];
      const std::vector<TCsvCell> cells = CsvCells(file, name);
      // Each dimension takes each role in turn: the row and column dimension
      // range over all pairs, the rest over total and each element.
      const size_t n = dims.size();
      for (size_t rowDim = 0; rowDim < n; ++rowDim) {
        for (size_t colDim = 0; colDim <= n; ++colDim) {
          if (colDim == rowDim) continue;
          std::vector<std::vector<std::string>> sels{{}};
          for (size_t k = 0; k < n; ++k) {
            std::vector<std::string> choices;
            if (k == rowDim) {
              choices = {"r"};
            } else if (k == colDim) {
              choices = {"c"};
            } else {
              choices = {"t"};
              for (int e = 1; e <= dims[k]["size"].get<int>(); ++e)
                choices.push_back(std::to_string(e));
            }
            std::vector<std::vector<std::string>> next;
            for (const auto& s : sels) {
              for (const std::string& c : choices) {
                next.push_back(s);
                next.back().push_back(c);
              }
            }
            sels = std::move(next);
          }
          for (const auto& sel : sels) {
            std::string text;
            for (const std::string& w : sel) text += (text.empty() ? "" : ",") + w;
            const json slice = fresh.GetJson("/api/slice?h=" + name + "&sel=" + text);
            ExpectSliceMatchesCsv(slice, cells, sel, dims, name + " " + text);
            ++checked;
          }
        }
      }
    }
    EXPECT_GT(checked, 10) << file;
  }
}

TEST_F(ViewApi, PagesOfRowsAndColumns) {
  ASSERT_TRUE(Open({std_}));
  // A2 is COM x REG: rows 2..3 of REG down, COM 2..3 across, swapped.
  const json s = GetJson("/api/slice?h=a2&sel=c,r&r0=1&rn=2&c0=1&cn=5");
  EXPECT_EQ(s["rows"]["names"], json::parse(R"(["R2","R3"])"));
  EXPECT_EQ(s["rows"]["size"], 5);
  EXPECT_EQ(s["cols"]["names"], json::parse(R"(["MANU","SERV"])"));
  // A2 holds 0.5 * (cell + 1), COM fastest: (MANU,R2) is cell 4.
  EXPECT_EQ(s["values"], json::parse("[[2.5,3],[4,4.5]]"));
  EXPECT_EQ(s["row_totals"], json::parse("[7.5,12]"));
  EXPECT_EQ(s["col_totals"], json::parse("[20,22.5]"));
  EXPECT_EQ(s["total"], 60);
  EXPECT_EQ(s["summed"], false);
}

TEST_F(ViewApi, HeaderWithoutDimensions) {
  ASSERT_TRUE(Open({Save("cube.har", CubeFile())}));
  const json s = GetJson("/api/slice?h=ONE&sel=");
  EXPECT_EQ(s["rows"], nullptr);
  EXPECT_EQ(s["values"], json::parse("[[3.5]]"));
  EXPECT_EQ(s["total"], 3.5);
  EXPECT_EQ(Get("/api/slice?h=ONE&sel=r").Status, 400);
}

TEST_F(ViewApi, CharacterAndIntegerHeaders) {
  ASSERT_TRUE(Open({std_}));
  const json strings = GetJson("/api/slice?h=RG01&r0=1&rn=2");
  EXPECT_EQ(strings["strings"], json::parse(R"(["R2","R3"])"));
  EXPECT_EQ(strings["size"], 5);
  // INTS is 2x3, given column by column: 1 2 / 3 4 / 5 6.
  const json ints = GetJson("/api/slice?h=INTS&sel=r,c");
  EXPECT_EQ(ints["values"], json::parse("[[1,3,5],[2,4,6]]"));
  EXPECT_EQ(ints["rows"]["title"], "row");
  const json swapped = GetJson("/api/slice?h=INTS&sel=c,r");
  EXPECT_EQ(swapped["values"], json::parse("[[1,2],[3,4],[5,6]]"));
  EXPECT_EQ(GetJson("/api/slice?h=INTS&sel=t,r")["values"], json::parse("[[3],[7],[11]]"));
  EXPECT_EQ(GetJson("/api/header?h=INTS")["dims"][1]["title"], "col");
}

TEST_F(ViewApi, CompareWithChangedCell) {
  const std::string other = dir_.File("other.har");
  WriteFileBytes(other, ChangedA2());
  ASSERT_TRUE(Open({std_, other}));
  EXPECT_EQ(GetJson("/api/files")["compare"], true);
  const json c = GetJson("/api/compare");
  EXPECT_EQ(c["marks"]["A2"], "values changed");
  EXPECT_EQ(c["marks"]["A1"], "equal");
  EXPECT_EQ(c["summary"], "Summary: values differ in 1 header");
  // The same comparison as harinfo diff's.
  EXPECT_EQ(c["headers"], json::parse(RunInfo({"diff", "--json", std_, other}).Out)["headers"]);
  const json s = GetJson("/api/slice?h=A2&sel=r,c");
  EXPECT_EQ(s["values"][0], json::parse("[0.5,2,3.5,5,6.5]"));
  EXPECT_EQ(s["other"][0], s["values"][0]);
  EXPECT_EQ(s["values"][1][0], 1);
  EXPECT_EQ(s["other"][1][0], 1.75);
  // The other way round, from the second file.
  EXPECT_EQ(GetJson("/api/slice?file=1&h=A2&sel=r,c")["other"][1][0], 1);
  // A renamed copy: labels changed, values equal.
  TViewer renamed;
  ASSERT_TRUE(renamed.Open({std_, Renamed(std_, "zone.har", "reg", "ZONE")}));
  const json r = renamed.GetJson("/api/compare");
  EXPECT_EQ(r["marks"]["A2"], "labels changed");
  EXPECT_EQ(r["marks"]["INTS"], "equal");
}

// What the compare list shows per header (cells differing, the largest
// differences and their cells, element changes, tolerances) is harinfo
// diff's JSON of the same files with the same options.
TEST_F(ViewApi, CompareAgreesWithDiff) {
  const std::string cube = dir_.File("cube.har");
  CubeFile().Save(cube);
  std::vector<std::string> reg = RegElements();
  reg[4] = "MIDDLE";  // R5 renamed in place
  const std::string middle = dir_.File("middle.har");
  CubeFile(reg, 9.0f).Save(middle);
  ASSERT_TRUE(Open({cube, middle}));
  struct TCase {
    std::string Query;
    std::vector<std::string> Args;
    std::string Mark;
  };
  for (const TCase& t : std::vector<TCase>{{"", {}, "values changed"},
                                           {"?abs=1&rel=0.5", {"--abs", "1", "--rel", "0.5"}, "values changed"},
                                           {"?abs=4", {"--abs", "4"}, "labels changed"}}) {
    const json c = GetJson("/api/compare" + t.Query);
    std::vector<std::string> args{"diff", "--json"};
    args.insert(args.end(), t.Args.begin(), t.Args.end());
    args.insert(args.end(), {cube, middle});
    const json d = json::parse(RunInfo(args).Out);
    EXPECT_EQ(c["headers"], d["headers"]) << t.Query;
    EXPECT_EQ(c["tolerance"], d["tolerance"]) << t.Query;
    EXPECT_EQ(c["marks"]["CUBE"], t.Mark) << t.Query;
  }
  const json c = GetJson("/api/compare");
  const json& h = c["headers"][1];
  ASSERT_EQ(h["name"], "CUBE");
  EXPECT_EQ(h["element_changes"][0]["renamed"], json::parse(R"([{"from":"R5","to":"MIDDLE"}])"));
  EXPECT_EQ(h["cells_differing"], 1);
  EXPECT_EQ(h["largest_abs"]["cell"], json::parse(R"(["R5","2","SERV"])"));
  EXPECT_EQ(h["largest_abs"]["abs_difference"], 3.75);
  // Within the tolerance the changed cell is absorbed.
  EXPECT_EQ(GetJson("/api/compare?abs=4")["headers"][1]["cells_within_tolerance"], 1);
  EXPECT_EQ(Get("/api/compare?rel=-1").Status, 400);
  EXPECT_EQ(Get("/api/compare?abs=x").Status, 400);
}

// Next and previous difference walk the cells harinfo diff --cells all
// lists, in the file's order, across slices: positionally, under a
// tolerance, and with REG's elements reordered (cells matched by name).
TEST_F(ViewApi, NextDifferenceVisitsTheCellsDiffLists) {
  const std::string cube = Save("cube.har", CubeFile());
  std::vector<float> v = CubeValues();
  v[13] += 0.5f;  // R4, 1, MANU: another slice of COM than the first
  v[17] += 3.0f;  // R3, 2, MANU
  const std::string changed = Save("changed.har", CubeFile(RegElements(), 9.0f, v));
  std::vector<std::string> reg = RegElements();
  std::swap(reg[0], reg[1]);
  std::vector<float> swapped = v;
  for (size_t p = 0; p < swapped.size(); p += 5) std::swap(swapped[p], swapped[p + 1]);
  const std::string reordered = Save("reordered.har", CubeFile(reg, 9.0f, swapped));
  const std::vector<std::vector<std::string>> names{RegElements(), {"1", "2"}, ComElements()};
  struct TCase {
    std::string New;
    std::vector<std::string> Tolerance;
    size_t Found;
  };
  for (const TCase& t : std::vector<TCase>{{changed, {}, 3},
                                           {changed, {"--abs", "1"}, 2},
                                           {reordered, {}, 3}}) {
    TViewer viewer;
    ASSERT_TRUE(viewer.Open({cube, t.New}));
    std::vector<std::string> args{"diff", "--json", "--cells", "all"};
    args.insert(args.end(), t.Tolerance.begin(), t.Tolerance.end());
    args.insert(args.end(), {cube, t.New});
    std::vector<json> listed;
    const json diff = json::parse(RunInfo(args).Out);
    for (const json& c : diff["cells"]) {
      if (c["header"] == "CUBE") listed.push_back(c["cell"]);
    }
    ASSERT_EQ(listed.size(), t.Found) << t.New;
    const std::string tol = t.Tolerance.empty() ? "" : "&abs=1";
    const auto walk = [&](const std::string& dir, std::string at) {
      std::vector<json> seen;
      for (size_t n = 0; n <= listed.size(); ++n) {
        const json j = viewer.GetJson("/api/nextdiff?h=CUBE&dir=" + dir + tol + at);
        if (!j["found"]) break;
        json labels = json::array();
        for (size_t k = 0; k < 3; ++k) labels.push_back(names[k][j["at"][k].get<size_t>()]);
        seen.push_back(labels);
        at = "&at=" + std::to_string(j["cell"].get<int64_t>());
      }
      return seen;
    };
    EXPECT_EQ(walk("next", ""), listed) << t.New;
    std::vector<json> back = walk("prev", "");
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, listed) << t.New;
    // From a differing cell, forward only what lies after it.
    EXPECT_EQ(walk("next", "&at=17").size(), 1u) << t.New;
  }
  TViewer viewer;
  ASSERT_TRUE(viewer.Open({cube, reordered}));
  const json j = viewer.GetJson("/api/nextdiff?h=CUBE");
  EXPECT_EQ(j["at"], json::parse("[3,0,1]"));
  EXPECT_EQ(j["new_at"], json::parse("[3,0,1]"));
  const json first = viewer.GetJson("/api/nextdiff?h=CUBE&dir=prev");
  EXPECT_EQ(first["at"], json::parse("[4,1,2]"));
  for (const char* bad : {"/api/nextdiff?h=CUBE&dir=up", "/api/nextdiff?h=CUBE&at=31",
                          "/api/nextdiff?h=CUBE&abs=-2"}) {
    EXPECT_EQ(viewer.Get(bad).Status, 400) << bad;
  }
  EXPECT_EQ(viewer.Get("/api/nextdiff?h=NOPE").Status, 404);
}

// Non-finite cells, a one-cell row whose float does not round as its
// shortest text does, and SRC twice: what the page and its CSV get.
// The shortest text that reads back as `v`.
std::string Shortest(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

THarBytes NumbersFile() {
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float inf = std::numeric_limits<float>::infinity();
  THarBytes f(TFileFlavour::NewFujitsu);
  f.HeaderRE("NANS", "Stored non-finite values", {{"REG", {"R1", "R2", "R3"}}, {"COM", {"=SUM", "-X"}}},
             {1.5f, nan, inf, -inf, 2.0f, -inf});
  f.HeaderRE("ONE", "One cell", {{"ROW", {"R1"}}}, {281542.8f});
  f.HeaderRE("TWIN", "SRC by SRC", {{"SRC", {"S1", "S2"}}, {"SRC", {"S1", "S2"}}},
             {1e-7f, 2.0f, 3.0f, 4.5f});
  return f;
}

TEST_F(ViewApi, NonFiniteCellsAndTheirTotals) {
  ASSERT_TRUE(Open({Save("numbers.har", NumbersFile())}));
  const json s = GetJson("/api/slice?h=NANS&sel=r,c");
  EXPECT_EQ(s["values"], json::parse(R"([[1.5,"-Inf"],["NaN",2],["Inf","-Inf"]])"));
  // Summed in double as stored: NaN spreads, Inf - Inf is NaN.
  EXPECT_EQ(s["row_totals"], json::parse(R"(["-Inf","NaN","NaN"])"));
  EXPECT_EQ(s["col_totals"], json::parse(R"(["NaN","-Inf"])"));
  EXPECT_EQ(s["total"], "NaN");
  EXPECT_EQ(GetJson("/api/slice?h=NANS&sel=r,1")["values"], json::parse(R"([[1.5],["NaN"],["Inf"]])"));
  // The cell and its total are the same double: the stored float widened,
  // not its shortest text (281542.8), which rounds differently.
  const json one = GetJson("/api/slice?h=ONE&sel=r");
  EXPECT_EQ(one["values"][0][0].get<double>(), static_cast<double>(281542.8f));
  EXPECT_EQ(one["row_totals"][0], one["values"][0][0]);
  EXPECT_EQ(one["total"], one["values"][0][0]);
}

TEST_F(ViewApi, TableCsvIsTheWholeSliceAtFullPrecision) {
  const std::string numbers = Save("numbers.har", NumbersFile());
  ASSERT_TRUE(Open({numbers, Save("cube.har", CubeFile())}));
  const std::vector<std::tuple<std::string, std::string, std::string>> cases{
      // Text fields that a spreadsheet would run are defused; NaN, Inf as
      // harinfo csv writes them; stored floats in their shortest text.
      {"h=NANS&sel=r,c", "NANS.csv", "REG,'=SUM,'-X\nR1,1.5,-Inf\nR2,NaN,2\nR3,Inf,-Inf\n"},
      {"h=NANS&sel=c,r&totals=1", "NANS.csv",
       "COM,R1,R2,R3,Total\n'=SUM,1.5,NaN,Inf,NaN\n'-X,-Inf,2,-Inf,-Inf\nTotal,-Inf,NaN,NaN,NaN\n"},
      {"h=NANS&sel=r,2&totals=1", "NANS--X.csv", "REG,Value\nR1,-Inf\nR2,2\nR3,-Inf\nTotal,-Inf\n"},
      // Two dimensions of one set: the corner names the second SRC_2.
      {"h=TWIN&sel=c,r", "TWIN.csv", "SRC_2,S1,S2\nS1,1e-07,2\nS2,3,4.5\n"},
      {"h=ONE&sel=r", "ONE.csv", "ROW,Value\nR1,281542.8\n"},
      // A page of the request does not cut the table.
      {"h=TWIN&sel=r,t&rn=1", "TWIN.csv", "SRC,Value\nS1," + Shortest(3.0 + 1e-7f) + "\nS2,6.5\n"},
  };
  for (const auto& [query, name, text] : cases) {
    const harinfo::TViewAnswer a = Get("/api/tablecsv?" + query);
    EXPECT_EQ(a.Status, 200) << query << a.Body;
    EXPECT_EQ(a.Attachment, name) << query;
    EXPECT_EQ(a.Body, text) << query;
  }
  // The file name records the fixed elements, unlabelled by their index.
  EXPECT_EQ(Get("/api/tablecsv?file=1&h=CUBE&sel=r,c,2").Attachment, "CUBE-MANU.csv");
  EXPECT_EQ(Get("/api/tablecsv?file=1&h=CUBE&sel=3,2,r").Attachment, "CUBE-R3-2.csv");
  // Every cell of the cube's R2 slice is there, as harinfo csv has it.
  const harinfo::TViewAnswer r2 = Get("/api/tablecsv?file=1&h=CUBE&sel=2,c,r");
  size_t found = 0;
  for (const TCsvCell& c : CsvCells(Save("cube2.har", CubeFile()), "CUBE")) {
    if (c.Labels[0] != "R2") continue;
    const std::string value = r2.Body.substr(r2.Body.find("\n" + c.Labels[2] + ","));
    EXPECT_NE(value.substr(0, value.find('\n', 1)).find(Shortest(static_cast<float>(c.Value))),
              std::string::npos)
        << c.Labels[2];
    ++found;
  }
  EXPECT_EQ(found, 6u);
  EXPECT_EQ(Get("/api/tablecsv?h=NANS&sel=r,r").Status, 400);
  EXPECT_EQ(Get("/api/tablecsv?h=NANS&sel=r,c&totals=2").Status, 400);
}

TEST_F(ViewApi, DimensionsOfOneSetAreToldApart) {
  ASSERT_TRUE(Open({Save("numbers.har", NumbersFile())}));
  const json dims = GetJson("/api/header?h=TWIN")["dims"];
  EXPECT_EQ(dims[0]["title"], "SRC");
  EXPECT_EQ(dims[1]["title"], "SRC_2");
  const json s = GetJson("/api/slice?h=TWIN&sel=c,r");
  EXPECT_EQ(s["rows"]["title"], "SRC_2");
  EXPECT_EQ(s["cols"]["title"], "SRC");
}

TEST_F(ViewApi, ForeignHostOrTokenIsForbidden) {
  ASSERT_TRUE(Open({std_}));
  const std::string forbidden = R"({"error":"forbidden"})";
  const std::vector<std::pair<std::string, std::string>> cases{
      {"/", "evil.example:8123"},
      {"/api/headers?token=" + std::string(Token), "127.0.0.1:8124"},
      {"/api/headers?token=" + std::string(Token), "127.0.0.1"},
      {"/api/headers?token=" + std::string(Token), ""},
      {"/api/headers", Host},
      {"/", Host},
      {"/api/headers?token=0123456789abcdef0123456789abcdeX", Host},
      {"/api/headers?token=", Host},
      {"/api/headers?token=" + std::string(Token) + "&token=" + std::string(Token), Host},
      {"/api/headers?token=0123456789abcdef0123456789abcdeX&h=%4", Host},
  };
  for (const auto& [target, host] : cases) {
    const harinfo::TViewAnswer a = Raw(target, host);
    EXPECT_EQ(a.Status, 403) << target << " " << host;
    EXPECT_EQ(a.Body, forbidden) << target << " " << host;
  }
  EXPECT_EQ(Get("/api/files", "localhost:8123").Status, 200);
  const harinfo::TViewAnswer page = Get("/");
  EXPECT_EQ(page.Status, 200);
  EXPECT_NE(page.Body.find(std::string("app.js?token=") + Token), std::string::npos);
}

TEST_F(ViewApi, MalformedRequestsGetShortErrors) {
  ASSERT_TRUE(Open({std_}));
  const std::vector<std::tuple<std::string, int, std::string>> cases{
      {"/nothing", 404, "not found"},
      {"/api/slice?h=NONE&sel=r", 404, "no header NONE"},
      {"/api/slice?sel=r", 400, "no header named (h=)"},
      {"/api/slice?h=A2&sel=r", 400, "the header has 2 dimensions"},
      {"/api/slice?h=A2&sel=r,r", 400,
       "one dimension down the rows and at most one across the columns"},
      {"/api/slice?h=A2&sel=t,t", 400,
       "one dimension down the rows and at most one across the columns"},
      {"/api/slice?h=A2&sel=r,6", 400, "no element 6 in dimension 2"},
      {"/api/slice?h=A2&sel=r,0", 400, "bad sel"},
      {"/api/slice?h=A2&sel=r,x", 400, "bad sel"},
      {"/api/slice?h=A2&sel=r,", 400, "bad sel"},
      {"/api/slice?h=A2&sel=r,c,r,c,r,c,r,c,r", 400, "the header has 2 dimensions"},
      {"/api/slice?h=A2&sel=r,99999999999999999999", 400, "bad sel"},
      {"/api/slice?h=A2&sel=r,c&rn=1000001", 400, "bad number for rn"},
      {"/api/slice?h=A2&sel=r,c&rn=-1", 400, "bad number for rn"},
      {"/api/slice?h=A2&sel=r,c&r0=3", 400, "row offset out of range"},
      {"/api/slice?h=A2&sel=r,c&c0=5", 400, "column offset out of range"},
      {"/api/slice?h=A2&sel=r,c&rn=1001&cn=1000", 400, "a page holds at most 1000000 cells"},
      {"/api/slice?h=A2&sel=r,c&r0=+1", 400, "bad number for r0"},
      {"/api/headers?file=1", 400, "bad number for file"},
      {"/api/compare", 404, "no second file to compare with"},
  };
  for (const auto& [target, status, text] : cases) {
    const harinfo::TViewAnswer a = Get(target);
    EXPECT_EQ(a.Status, status) << target;
    EXPECT_EQ(a.Body, json({{"error", text}}).dump()) << target;
  }
  // A broken query that carries the token: the page's own, malformed.
  for (const char* query : {"h=%4", "h=%zz", "sel=r&sel=c"}) {
    const harinfo::TViewAnswer a = Get(std::string("/api/slice?") + query);
    EXPECT_EQ(a.Status, 400) << query;
    EXPECT_EQ(a.Body, R"({"error":"malformed query"})") << query;
  }
  // A header name that is not UTF-8 still gets JSON.
  const harinfo::TViewAnswer bad = Get("/api/header?h=%FF%FE");
  EXPECT_EQ(bad.Status, 404);
  EXPECT_EQ(json::parse(bad.Body)["error"], "no header \xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(ViewApi, SetsHistoryAndCsv) {
  ASSERT_TRUE(Open({std_}));
  const json sets = GetJson("/api/sets");
  EXPECT_EQ(sets, json::parse(RunInfo({"sets", "--json", std_}).Out));
  EXPECT_EQ(GetJson("/api/history")["lines"], json::parse(R"(["made by the test suite"])"));
  // The CSV reads the header the slice holds, and releases it: the slice
  // after it must not use what was released.
  const std::string before = Get("/api/slice?h=A3&sel=r,c").Body;
  const harinfo::TViewAnswer csv = Get("/api/csv?h=a3");
  EXPECT_EQ(Get("/api/slice?h=A3&sel=r,c").Body, before);
  EXPECT_EQ(csv.Status, 200);
  EXPECT_EQ(csv.Attachment, "A3.csv");
  EXPECT_EQ(csv.Body, RunInfo({"csv", std_, "A3"}).Out);
  // A header above the limit is refused; one at it is sent.
  THarBytes big(TFileFlavour::NewFujitsu);
  big.HeaderRE("ATIT", "At the limit", {{"", {}, 1000}, {"", {}, 1000}},
               std::vector<float>(harinfo::MaxCsvCells, 1.0f));
  big.HeaderRE("OVER", "Above the limit", {{"", {}, 1000001}}, std::vector<float>(1000001, 1.0f));
  TViewer s;
  const std::string path = Save("big.har", big);
  ASSERT_TRUE(s.Open({path}));
  EXPECT_EQ(s.Get("/api/csv?h=ATIT").Status, 200);
  const harinfo::TViewAnswer over = s.Get("/api/csv?h=OVER");
  EXPECT_EQ(over.Status, 413);
  EXPECT_EQ(json::parse(over.Body)["error"],
            "a header of 1000001 cells is too large to download here: harinfo csv " + path +
                " OVER writes it");
}

// A file rewritten on disk is found by its descriptor or its name, even
// when its size and modification time are put back; Reload reads it again
// in the same session.
TEST_F(ViewApi, FileChangedOnDiskAndReloaded) {
  const std::string copy = dir_.File("copy.har");
  std::filesystem::copy_file(std_, copy);
  ASSERT_TRUE(Open({copy}));
  const json before = GetJson("/api/slice?h=A2&sel=r,c");
  EXPECT_EQ(GetJson("/api/status")["changed"], "");
  // The same bytes but one value, written in place, the time put back.
  const auto time = std::filesystem::last_write_time(copy);
  const std::string changed = ChangedA2();
  ASSERT_EQ(changed.size(), std::filesystem::file_size(copy));
  {
    std::fstream f(copy, std::ios::in | std::ios::out | std::ios::binary);
    f.write(changed.data(), static_cast<std::streamsize>(changed.size()));
  }
  std::filesystem::last_write_time(copy, time);
  const harinfo::TViewAnswer stale = Get("/api/slice?h=A2&sel=r,c");
  EXPECT_EQ(stale.Status, 409);
  EXPECT_EQ(json::parse(stale.Body)["changed"], copy);
  EXPECT_EQ(GetJson("/api/status")["changed"], copy);
  EXPECT_EQ(Get("/").Status, 200);  // the page, which offers Reload
  EXPECT_EQ(GetJson("/api/reload")["reloaded"], true);
  const json after = GetJson("/api/slice?h=A2&sel=r,c");
  EXPECT_EQ(after["values"][1][0], 1.75);
  EXPECT_EQ(before["values"][1][0], 1);
#ifndef _WIN32
  // Replaced by another file under the name, then gone: a Reload that
  // cannot read keeps what it had. (Windows refuses to replace or remove a
  // file that the viewer holds open.)
  WriteFileBytes(copy + ".new", StandardFile(TFileFlavour::NewFujitsu).Bytes());
  std::filesystem::rename(copy + ".new", copy);
  EXPECT_EQ(Get("/api/headers").Status, 409);
  std::filesystem::remove(copy);
  EXPECT_EQ(Get("/api/headers").Status, 409);
  EXPECT_EQ(Get("/api/reload").Status, 500);
  EXPECT_EQ(GetJson("/api/status")["changed"], copy);
#endif
}

// Before anything listens: a damaged file as the listing reports it, and
// the options that belong to view only.
TEST_F(ViewApi, DamagedFileOrBadOptionsEndBeforeServing) {
  const std::string bytes = StandardFile(TFileFlavour::NewFujitsu).Bytes();
  const std::string cut = dir_.File("cut.har");
  WriteFileBytes(cut, bytes.substr(0, bytes.size() - 7));
  const TInfoResult listing = RunInfo({cut});
  ASSERT_EQ(listing.Code, 2);
  EXPECT_EQ(RunInfo({"view", "--no-browser", std_, cut}), (TInfoResult{2, "", listing.Err}));
  const std::string onlyView = "harinfo: --port and --no-browser apply to harinfo view only\n";
  EXPECT_EQ(RunInfo({"--port", "8000", std_}), (TInfoResult{2, "", onlyView}));
  EXPECT_EQ(RunInfo({"diff", std_, std_, "--no-browser"}), (TInfoResult{2, "", onlyView}));
  EXPECT_EQ(RunInfo({"view", std_, std_, std_}).Err, "harinfo: usage: harinfo view FILE [OTHER]\n");
  for (const char* port : {"65536", "0x50", "+80", "-1", "8e1", ""}) {
    EXPECT_EQ(RunInfo({"view", "--port", port, std_}).Code, 2) << port;
  }
}

}  // namespace
}  // namespace modrask::test
