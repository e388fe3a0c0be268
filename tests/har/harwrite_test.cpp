#include "modrask/har/harwrite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <utility>

#include "modrask/har/realwrite.h"
#include "har/writerecs_fixture.h"
#include "modrask/records/bytefile.h"

namespace modrask {
namespace {

using wtest::Struc;
using wtest::TextAt;
using wtest::TRecord;

PHarData NamedHeads(const std::vector<std::string>& names) {
  auto hd = std::make_unique<THarData>();
  for (const std::string& n : names) {
    auto h = std::make_unique<THeaderRec>();
    h->Name = n;
    hd->Heads.push_back(std::move(h));
  }
  return hd;
}

TEST(HeaderNames, RulesAndTheirMessages) {
  struct Case {
    std::string in;
    bool ok;
    std::string out;
    std::string msg;
  };
  const std::string blank = "Header must not be blank or all spaces";
  const std::string chars = "Header must only contain letters A-Z or digits 0-9";
  const std::string xx = "Header names beginning with \"XX\" are reserved for MODRASK internal use";
  const Case cases[] = {
      {"ab", true, "AB  ", ""},    {"A@_1", true, "A@_1", ""},     {"a b", true, "AB  ", ""},
      {"ABCDE", true, "ABCD", ""}, {" Z9", true, "Z9  ", ""},      {"    ", false, "", blank},
      {"", false, "", blank},      {"A-B", false, "A-B ", chars},  {"XXAB", false, "XXAB", xx},
      {" X X", false, "XX  ", xx}, {"\t\t", false, "    ", blank},  // nothing printable is left
  };
  for (const Case& c : cases) {
    std::string name = c.in, msg = "stale";
    EXPECT_EQ(CheckHeaderName(name, msg), c.ok) << '"' << c.in << '"';
    EXPECT_EQ(name, c.out) << '"' << c.in << '"';
    EXPECT_EQ(msg, c.msg) << '"' << c.in << '"';
  }
}

TEST(HeaderNames, CheckHarFileReportsTheFirstIllegalName) {
  std::string msg;
  PHarData hd = NamedHeads({"AAAA", "BBBB", "    ", "A-B"});
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg, "Header no 3, \"\" is illegal: \r\nHeader must not be blank or all spaces");

  hd = NamedHeads({"xxab", "XXCC", "a-b", "    "});  // XX names are exempt here
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg,
            "Header no 3, \"A-B \" is illegal: \r\n"
            "Header must only contain letters A-Z or digits 0-9");

  hd = NamedHeads({"ab", "A@_1", "zz"});
  hd->Heads.insert(hd->Heads.begin() + 1, nullptr);
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg, "");
  EXPECT_EQ(hd->Heads[0]->Name, "AB  ");
  EXPECT_EQ(hd->Heads[3]->Name, "ZZ  ");

  std::string bad = "x";
  int32_t pos = -1;
  hd = NamedHeads({"OK", "A B!"});
  EXPECT_TRUE(FindIllegalHeader(*hd, bad, pos, msg));
  EXPECT_EQ(bad, "AB! ");
  EXPECT_EQ(pos, 2);
  EXPECT_EQ(msg, "Header must only contain letters A-Z or digits 0-9");
  hd = NamedHeads({"OK"});
  EXPECT_FALSE(FindIllegalHeader(*hd, bad, pos, msg));
  EXPECT_EQ(bad, "");
  EXPECT_EQ(pos, 0);

  EXPECT_FALSE(CheckHarFile(nullptr, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [CheckHarFile]");
}

TEST(HeaderNames, NamesEqualButForCaseOrBlanksAppearTwice) {
  std::string msg;
  PHarData hd = NamedHeads({"ONE", "ab", "TWO", "AB"});
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg, "Header \"AB  \" appears twice, at positions 2 and 4");
  hd = NamedHeads({"A B", "XXQ", "AB", "XXQ"});
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg, "Header \"AB  \" appears twice, at positions 1 and 3");
  hd = NamedHeads({"XXQ", "CD", "XXQ"});  // XX names take part
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  EXPECT_EQ(msg, "Header \"XXQ \" appears twice, at positions 1 and 3");
}

// The quadratic scan the linear one must agree with.
bool NaiveDuplicate(const THarData& hd, std::string& name, int32_t& p1, int32_t& p2) {
  for (int32_t i = 1; i <= hd.NHeads(); ++i) {
    if (!hd.Heads[static_cast<size_t>(i - 1)]) continue;
    for (int32_t j = i + 1; j <= hd.NHeads(); ++j) {
      if (!hd.Heads[static_cast<size_t>(j - 1)]) continue;
      const std::string a = NormHeadName(hd.Heads[static_cast<size_t>(i - 1)]->Name);
      if (a == NormHeadName(hd.Heads[static_cast<size_t>(j - 1)]->Name)) {
        name = a;
        p1 = i;
        p2 = j;
        return true;
      }
    }
  }
  name.clear();
  p1 = p2 = 0;
  return false;
}

TEST(HeaderNames, DuplicateScanAgreesWithTheQuadraticOne) {
  const unsigned seed = 6061;
  std::mt19937 rng(seed);
  const std::string alphabet = "aAbB c";
  for (int round = 0; round < 3000; ++round) {
    const size_t n = rng() % 40;
    PHarData hd = std::make_unique<THarData>();
    for (size_t i = 0; i < n; ++i) {
      if (rng() % 10 == 0) {
        hd->Heads.push_back(nullptr);
        continue;
      }
      auto h = std::make_unique<THeaderRec>();
      const size_t len = rng() % 6;
      for (size_t c = 0; c < len; ++c) h->Name += alphabet[rng() % alphabet.size()];
      hd->Heads.push_back(std::move(h));
    }
    std::string name, wantName;
    int32_t p1 = -1, p2 = -1, w1 = -1, w2 = -1;
    const bool found = FindDuplicateHeader(*hd, name, p1, p2);
    const bool want = NaiveDuplicate(*hd, wantName, w1, w2);
    ASSERT_EQ(found, want) << "seed " << seed << " round " << round;
    ASSERT_EQ(name, wantName) << "seed " << seed << " round " << round;
    ASSERT_EQ(p1, w1) << "seed " << seed << " round " << round;
    ASSERT_EQ(p2, w2) << "seed " << seed << " round " << round;
  }
}

TEST(HeaderNames, FullTableIsCheckedQuickly) {
  PHarData hd = std::make_unique<THarData>();
  for (int32_t i = 0; i < MaxHeads; ++i) {
    auto h = std::make_unique<THeaderRec>();
    const std::string digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    h->Name = {'H', digits[static_cast<size_t>(i / 1296)], digits[static_cast<size_t>(i / 36 % 36)],
               digits[static_cast<size_t>(i % 36)]};
    hd->Heads.push_back(std::move(h));
  }
  hd->Heads.back()->Name = "h" + hd->Heads[MaxHeads - 2]->Name.substr(1);
  const auto start = std::chrono::steady_clock::now();
  std::string msg;
  EXPECT_TRUE(CheckHarFile(hd.get(), msg));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(msg, "Header \"H7R4\" appears twice, at positions 10049 and 10050");
  // The quadratic scan needs about 50 million comparisons here.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
}

// Whole files.
class HarWrite : public ::testing::Test {
 protected:
  // A small file in memory: history, an RE, an XX ordinary header, a 2I.
  static PHarData SmallFile(TFileFlavour flavour) {
    auto hd = std::make_unique<THarData>();
    hd->Flavour = flavour;
    hd->XXHSHead = wtest::Make1C("XXHS", "File History", {"made by a test"}, 60);
    std::vector<float> v(15);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i) - 3.0f;
    PHeaderRec re = wtest::MakeReal("ZZZ", {3, 5}, v);
    wtest::SetLabel(*re, 1, "REG", {"n", "s", "e"});
    hd->Heads.push_back(std::move(re));
    hd->Heads.push_back(wtest::Make1C("XXAB", "an XX header", {"x"}, 4));
    hd->Heads.push_back(wtest::Make2I("AAA", 2, 3, {1, 2, 3, 4, 5, 6}));
    return hd;
  }

  // The header names in a written file, in order (name records are the
  // only records of 4 bytes).
  std::vector<std::string> NamesIn(const std::string& path, TFileFlavour expect) {
    std::vector<TRecord> recs;
    TFileFlavour flavour = expect;
    std::string msg;
    EXPECT_TRUE(wtest::ReadRecords(path, recs, flavour, msg)) << msg;
    EXPECT_EQ(flavour, expect);
    std::vector<std::string> names;
    for (const TRecord& r : recs)
      if (r.size() == 4) names.push_back(TextAt(r, 0, 4));
    return names;
  }

  wtest::ScratchDir dir_;
  TWriteFaults faults_;
  TWriteOptions options_{.SparseThreshold = 60, .Faults = &faults_};
};

TEST_F(HarWrite, FixedHeaderOrderAndFramings) {
  const std::vector<std::string> order = {"XXCD", "XXCR", "XXCP", "XXHS", "XXAB", "ZZZ ", "AAA "};
  for (const bool force : {false, true}) {
    options_.ForceDefaultFlavour = force;
    PHarData hd = SmallFile(TFileFlavour::OldLahey);
    hd->XXFFHead = wtest::Make1C("XXFF", "never written", {"f"}, 4);
    hd->Heads.push_back(wtest::Make1C("XXFF", "never written either", {"f"}, 4));
    const std::string out = dir_.Path(force ? "forced.har" : "plain.har");
    std::string msg;
    ASSERT_TRUE(WriteHarFile(out, "TestProg", "Date text", hd.get(), options_, msg)) << msg;
    const TFileFlavour want = force ? TFileFlavour::NewFujitsu : TFileFlavour::OldLahey;
    EXPECT_EQ(hd->Flavour, want);
    EXPECT_EQ(NamesIn(out, want), order);
  }
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"forced.har", "plain.har"}));
}

TEST_F(HarWrite, EmptyHistoryIsNotWritten) {
  PHarData hd = SmallFile(TFileFlavour::NewFujitsu);
  hd->XXHSHead = wtest::Make1C("XXHS", "File History", {}, 60);
  std::string msg;
  ASSERT_TRUE(WriteHarFile(dir_.Path("a.har"), "P", "D", hd.get(), options_, msg)) << msg;
  EXPECT_EQ(NamesIn(dir_.Path("a.har"), TFileFlavour::NewFujitsu),
            (std::vector<std::string>{"XXCD", "XXCR", "XXCP", "XXAB", "ZZZ ", "AAA "}));
}

TEST_F(HarWrite, UnnamedSetsGetUnkAndSize) {
  PHarData hd = std::make_unique<THarData>();
  hd->Flavour = TFileFlavour::NewFujitsu;
  PHeaderRec re = wtest::MakeReal("abc", {3, 5}, std::vector<float>(15, 2.0f));
  wtest::SetLabel(*re, 1, "REG", {"n", "s", "e"});
  ASSERT_FALSE(re->REDetails.stknow);
  THeaderRec* head = re.get();
  hd->Heads.push_back(std::move(re));
  std::string msg;
  ASSERT_TRUE(WriteHarFile(dir_.Path("u.har"), "P", "D", hd.get(), options_, msg)) << msg;
  EXPECT_EQ(head->Name, "ABC ");
  EXPECT_EQ(head->REDetails.StName[2], "Unk5");
  EXPECT_TRUE(head->REDetails.stknow);

  std::vector<TRecord> recs;
  TFileFlavour flavour;
  ASSERT_TRUE(wtest::ReadRecords(dir_.Path("u.har"), recs, flavour, msg)) << msg;
  size_t at = 0;
  while (at < recs.size() && !(recs[at].size() == 4 && TextAt(recs[at], 0, 4) == "ABC ")) ++at;
  ASSERT_LT(at + 2, recs.size());
  EXPECT_EQ(TextAt(recs[at + 1], 4, 2), "RE");
  const TRecord& info = recs[at + 2];
  EXPECT_EQ(Struc(info, 2), 2);                     // acdim
  EXPECT_EQ(Struc(info, 6), -1);                    // stknow
  EXPECT_EQ(TextAt(info, 32, 12), "REG         ");  // StName[1]
  EXPECT_EQ(TextAt(info, 44, 12), "Unk5        ");  // StName[2]
}

TEST_F(HarWrite, ChecksComeBeforeTheFileIsCreated) {
  const std::string out = dir_.Path("out.har");
  wtest::WriteBytes(out, "old contents");
  struct Case {
    std::vector<std::string> names;
    std::string msg;
  };
  const Case cases[] = {
      {{"AAAA", "BBBB", "    "},
       "Header no 3, \"\" is illegal: \r\nHeader must not be blank or all spaces [WriteHarFile]"},
      {{"AB", "ab"}, "Header \"AB  \" appears twice, at positions 1 and 2 [WriteHarFile]"},
  };
  for (const Case& c : cases) {
    PHarData hd = std::make_unique<THarData>();
    for (const std::string& n : c.names) hd->Heads.push_back(wtest::Make1C(n, "t", {"a"}, 1));
    std::string msg;
    EXPECT_FALSE(WriteHarFile(out, "P", "D", hd.get(), options_, msg));
    EXPECT_EQ(msg, c.msg);
  }
  std::string msg;
  EXPECT_FALSE(WriteHarFile(out, "P", "D", nullptr, options_, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [WriteHarFile]");
  EXPECT_EQ(wtest::ReadBytes(out), "old contents");
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
}

TEST_F(HarWrite, HistoryOfWrongLengthLeavesNothing) {
  PHarData hd = SmallFile(TFileFlavour::NewFujitsu);
  hd->XXHSHead = wtest::Make1C("XXHS", "File History", {std::string(80, 'h')}, 80);
  const std::string fresh = dir_.Path("fresh.har");
  std::string msg;
  EXPECT_FALSE(WriteHarFile(fresh, "P", "D", hd.get(), options_, msg));
  EXPECT_EQ(msg, "History strings are of length 80 should be 60. [WriteHarFile]");
  EXPECT_TRUE(dir_.Entries().empty());

  const std::string existing = dir_.Path("existing.har");
  wtest::WriteBytes(existing, "keep me");
  EXPECT_FALSE(WriteHarFile(existing, "P", "D", hd.get(), options_, msg));
  EXPECT_EQ(msg, "History strings are of length 80 should be 60. [WriteHarFile]");
  EXPECT_EQ(wtest::ReadBytes(existing), "keep me");
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"existing.har"});
}

TEST_F(HarWrite, OutputFolderMissing) {
  PHarData hd = SmallFile(TFileFlavour::NewFujitsu);
  const std::string out = dir_.Path("no/such/folder/out.har");
  std::string msg;
  EXPECT_FALSE(WriteHarFile(out, "P", "D", hd.get(), options_, msg));
  EXPECT_EQ(msg, "Can't create file: " + out + " [CreateLaheyFile] [WriteHarFile]");
  EXPECT_TRUE(dir_.Entries().empty());
}

TEST_F(HarWrite, HeaderThatCannotBeWrittenNamesItself) {
  PHarData hd = SmallFile(TFileFlavour::NewFujitsu);
  hd->Heads[0]->HeadType = "2R";
  const std::string out = dir_.Path("out.har");
  wtest::WriteBytes(out, "old");
  std::string msg;
  EXPECT_FALSE(WriteHarFile(out, "P", "D", hd.get(), options_, msg));
  EXPECT_EQ(msg, "Unrecognized Data Type 2R [WriteHead:ZZZ ] [WriteHarFile]");
  EXPECT_EQ(wtest::ReadBytes(out), "old");
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});

  TRecFile none;
  EXPECT_FALSE(WriteHead(none, nullptr, TFileFlavour::NewFujitsu, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [WriteHead:]");
}

TEST_F(HarWrite, FailureHalfWayKeepsTheOldOutput) {
  const std::string out = dir_.Path("out.har");
  wtest::WriteBytes(out, "the previous output");
  PHarData hd = SmallFile(TFileFlavour::NewFujitsu);
  std::vector<float> v(300000);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(i % 977) + 1.0f;
  hd->Heads.push_back(wtest::MakeReal("BIG", {600, 500}, v));
  const std::string full = "cannot write to disk (probably no space)";
  const std::pair<int64_t, std::string> cases[] = {
      {0, full + " [WriteLaheyRec] [Write1CData] [WriteHead:XXCD] [WriteHarFile]"},
      {600000, full + " [WriteRecBuf] [WriteIt] [WriteRealFull] [WriteRLData] [WriteHead:BIG ]"
                      " [WriteHarFile]"},
  };
  for (const auto& [after, want] : cases) {
    faults_.BytesLeft = after;
    std::string msg;
    EXPECT_FALSE(WriteHarFile(out, "P", "D", hd.get(), options_, msg)) << after;
    faults_.BytesLeft = -1;
    EXPECT_EQ(msg, want);
    EXPECT_EQ(wtest::ReadBytes(out), "the previous output");
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
  }
  faults_.FailNextSync = true;
  std::string msg;
  EXPECT_FALSE(WriteHarFile(out, "P", "D", hd.get(), options_, msg));
  EXPECT_EQ(msg, "cannot write to disk (probably no space) [FinishLaheyFile] [WriteHarFile]");
  EXPECT_EQ(wtest::ReadBytes(out), "the previous output");
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});

  ASSERT_TRUE(WriteHarFile(out, "P", "D", hd.get(), options_, msg)) << msg;
  EXPECT_EQ(
      NamesIn(out, TFileFlavour::NewFujitsu),
      (std::vector<std::string>{"XXCD", "XXCR", "XXCP", "XXHS", "XXAB", "ZZZ ", "AAA ", "BIG "}));
}

}  // namespace
}  // namespace modrask
