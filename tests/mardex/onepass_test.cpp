// The run that renames in one pass against the whole-file run alone, with
// failures planted at each stage: both must print the same lines, end with
// the same exit code and leave the same files, byte for byte; and the one
// pass must take exactly the runs that succeed (except where a late XX
// header makes it give up) and leave nothing when it gives up.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mardex/mardex_fixture.h"
#include "mardex/rename_run.h"
#include "modrask/har/harwrite.h"
#include "modrask/sets/renamepass.h"
#include "modrask/support/memstat.h"

namespace modrask {
namespace {

using test::THarBytes;

// The type in the descriptor of the header whose long name is `longName`
// replaced by one that no reader knows.
std::string DamageAt(std::string bytes, const std::string& longName) {
  const size_t at = bytes.find(longName);
  EXPECT_NE(at, std::string::npos) << longName;
  if (at != std::string::npos) bytes.replace(at - 6, 2, "ZZ");
  return bytes;
}

std::string WithHeaders(TFileFlavour flavour, const std::function<void(THarBytes&)>& more) {
  THarBytes f = test::StandardFile(flavour);
  more(f);
  return f.Bytes();
}

struct TCase {
  const char* Name;
  std::function<std::string(TFileFlavour)> Bytes;
  std::string OldSet = "REG";
  std::string NewSet = "ZONE";
  TOnePassStop Stop = TOnePassStop::None;  // how the one pass ends
  bool ReplaceInput = false;
  std::optional<int64_t> MemKB;  // the usable memory the runs see
};

void PrintTo(const TCase& c, std::ostream* os) {
  *os << c.Name;
}

std::string Standard(TFileFlavour flavour) {
  return test::StandardFile(flavour).Bytes();
}

TCase Case(const char* name, std::function<std::string(TFileFlavour)> bytes,
           std::string oldSet = "REG", std::string newSet = "ZONE",
           TOnePassStop stop = TOnePassStop::None, bool replaceInput = false,
           std::optional<int64_t> memKB = std::nullopt) {
  return {name, std::move(bytes), std::move(oldSet), std::move(newSet), stop, replaceInput, memKB};
}

const std::vector<TCase>& Cases() {
  using enum TOnePassStop;
  static const std::vector<TCase> cases = {
      Case("Renamed", Standard),
      Case("ReplacingItsInput", Standard, "REG", "ZONE", None, true),
      Case("SetAbsent", Standard, "NOSUCH"),
      Case(
          "XXHeaderBeforeTheOthers",
          [](TFileFlavour fl) {
            THarBytes f(fl);
            f.Header1C("XXAB", "Set COM again", test::ComElements(), 12);
            // The standard file's headers after it, without its opening byte
            // of the old framing.
            return f.Bytes() + Standard(fl).substr(THarBytes(fl).Bytes().size());
          },
          "COM"),
      Case(
          "XXHeaderAfterAnOrdinaryOne",
          [](TFileFlavour fl) {
            return WithHeaders(fl, [](THarBytes& f) { f.Header1C("XXAB", "notes", {"x"}, 12); });
          },
          "REG", "ZONE", LateXXHeader),
      Case(
          "DamageInTheFirstHeader",
          [](TFileFlavour fl) { return DamageAt(Standard(fl), "Set REG Regions"); }, "REG", "ZONE",
          Failure),
      Case(
          "DamageInAMiddleHeader",
          [](TFileFlavour fl) { return DamageAt(Standard(fl), "Sales by commodity"); }, "REG",
          "ZONE", Failure),
      Case(
          "DamageInTheLastHeader", [](TFileFlavour fl) { return DamageAt(Standard(fl), "Counts"); },
          "REG", "ZONE", Failure),
      Case(
          "CutInTheLastHeader",
          [](TFileFlavour fl) {
            const std::string b = Standard(fl);
            return b.substr(0, b.size() - 10);
          },
          "REG", "ZONE", Failure),
      Case("NewNameTaken", Standard, "REG", "COM", NewNameInUse),
      Case(
          "NewNameTakenAndDamageAfter",
          [](TFileFlavour fl) { return DamageAt(Standard(fl), "Counts"); }, "REG", "COM",
          NewNameInUse),
      Case(
          "TwoDifferentSetsOfTheName",
          [](TFileFlavour fl) {
            return WithHeaders(fl, [](THarBytes& f) {
              f.HeaderRE("A4", "Other regions", {{"REG", {"X1", "X2"}}}, {1, 2});
            });
          },
          "REG", "ZONE", Failure),
      Case(
          "HeaderNameTwice",
          [](TFileFlavour fl) {
            return WithHeaders(fl, [](THarBytes& f) {
              f.HeaderRE("A1", "Output again", {{"REG", test::RegElements()}}, {1, 2, 3, 4, 5});
            });
          },
          "REG", "ZONE", Failure),
      Case(
          "IllegalHeaderName",
          [](TFileFlavour fl) {
            return WithHeaders(fl, [](THarBytes& f) { f.Header2I("A-1", "Bad name", 1, 1, {7}); });
          },
          "REG", "ZONE", Failure),
      Case("TooLittleMemory", Standard, "REG", "ZONE", Failure, false, 0),
  };
  return cases;
}

// What a run printed (the elapsed-time line dropped, the folder's path
// replaced), how it ended and what it left in its folder.
struct TOutcome {
  int Exit = -1;
  std::vector<std::string> Lines;
  std::vector<std::string> Entries;
  std::string Output;  // the output file's bytes, its time stamp masked

  bool operator==(const TOutcome&) const = default;
};

std::string MaskTime(std::string bytes) {
  // The creation time goes out first, in the XXCD header.
  static const std::regex time("[0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?");
  std::smatch m;
  const std::string head = bytes.substr(0, 256);
  if (std::regex_search(head, m, time))
    bytes.replace(static_cast<size_t>(m.position(0)), static_cast<size_t>(m.length(0)), "T");
  return bytes;
}

TOutcome RunOnce(const TCase& c, TFileFlavour flavour, bool onePass) {
  test::TTempDir dir;
  const std::string in = dir.File("in.har");
  const std::string out = c.ReplaceInput ? in : dir.File("out.har");
  test::WriteFileBytes(in, c.Bytes(flavour));
  std::ostringstream sink;
  TMardexOptions options;
  options.OnePass = onePass;
  TOutcome o;
  o.Exit = RunMardex({in, out, c.OldSet, c.NewSet}, options, sink);
  for (std::string& line : test::Lines(sink.str())) {
    if (test::IsElapsedLine(line)) continue;
    for (size_t at; (at = line.find(dir.Path().string())) != std::string::npos;)
      line.replace(at, dir.Path().string().size(), "DIR");
    o.Lines.push_back(line);
  }
  o.Entries = dir.Entries();
  if (o.Exit == 0) o.Output = MaskTime(test::ReadFileBytes(out));
  return o;
}

class OnePass : public ::testing::TestWithParam<TCase> {
 protected:
  void SetUp() override { OverrideAvailMemKB(GetParam().MemKB); }
  void TearDown() override { OverrideAvailMemKB(std::nullopt); }
};

TEST_P(OnePass, RunsAsTheWholeFileRun) {
  const TCase& c = GetParam();
  for (const TFileFlavour flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    SCOPED_TRACE(FlavourName(flavour));
    const TOutcome whole = RunOnce(c, flavour, false);
    EXPECT_EQ(RunOnce(c, flavour, true), whole);
    EXPECT_EQ(whole.Exit == 0, c.Stop == TOnePassStop::None || c.Stop == TOnePassStop::LateXXHeader)
        << whole.Lines.at(0);

    // The pass itself: it takes the run, or gives up for the case's reason
    // and leaves the folder as it found it.
    test::TTempDir dir;
    const std::string in = dir.File("in.har");
    test::WriteFileBytes(in, c.Bytes(flavour));
    TOnePassRename r;
    const bool took = RenameInOnePass(in, c.ReplaceInput ? in : dir.File("out.har"), c.OldSet,
                                      c.NewSet, "Mardex", "12:00:00", TMardexOptions().Write, r);
    EXPECT_EQ(took, c.Stop == TOnePassStop::None);
    EXPECT_EQ(r.Stop, c.Stop);
    if (!took) {
      EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.har"});
      EXPECT_EQ(test::ReadFileBytes(in), c.Bytes(flavour));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Stages, OnePass, ::testing::ValuesIn(Cases()),
                         [](const auto& p) { return std::string(p.param.Name); });

}  // namespace
}  // namespace modrask
