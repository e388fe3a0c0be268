// Reading whole files: filing, reordering, limits, message chains, and
// sweeps of damaged files of every header type.
#include "modrask/har/harread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <random>

#include "modrask/har/harwrite.h"
#include "har/reading_fixture.h"
#include "modrask/support/memstat.h"

namespace modrask {
namespace {

using readtest::HarRecords;
using readtest::Labels;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

std::vector<std::string> NamesOf(const THarData& h) {
  std::vector<std::string> out;
  for (const PHeaderRec& p : h.Heads) out.push_back(p->Name);
  return out;
}

class HarReadTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  HarRecords recs;
  std::string path = readtest::TempPath("file.har");
  PHarData hd;
  std::string msg;
  bool skipped = true;

  bool Read(bool doSort = false, bool skipBad = false) {
    if (!recs.Write(path, GetParam())) return false;
    return ReadHarFile(path, hd, doSort, skipBad, skipped, msg);
  }
};

INSTANTIATE_TEST_SUITE_P(Flavours, HarReadTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST(HarReadFile, MissingFileFailsBeforeOpening) {
  const std::string path = readtest::TempPath("missing.har");
  PHarData hd;
  std::string msg;
  bool skipped = true;
  EXPECT_FALSE(ReadHarFile(path, hd, false, false, skipped, msg));
  EXPECT_EQ(msg, "File " + path + " does not exist.  [ReadMoreIntoHarFile] [ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
  EXPECT_FALSE(skipped);
}

TEST(HarReadFile, FileLargerThanTheMemory) {
  const std::string path = readtest::TempPath("big.har");
  HarRecords recs;
  recs.Header1C("TEXT", std::vector<std::string>(100, "twenty characters..."), 20);
  ASSERT_TRUE(recs.Write(path, TFileFlavour::NewFujitsu));
  PHarData hd;
  std::string msg;
  bool skipped = false;
  OverrideAvailMemKB(1);
  EXPECT_FALSE(ReadHarFile(path, hd, false, false, skipped, msg));
  OverrideAvailMemKB(std::nullopt);
  EXPECT_EQ(msg,
            "Insufficent Memory to read HAR file " + path + " [ReadMoreIntoHarFile] [ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
}

TEST(HarReadFile, NotARecordFile) {
  const std::string path = readtest::TempPath("text.har");
  readtest::WriteFileBytes(path, {'h', 'e', 'l', 'l', 'o', '\n'});
  PHarData hd;
  std::string msg;
  bool skipped = false;
  EXPECT_FALSE(ReadHarFile(path, hd, false, false, skipped, msg));
  EXPECT_EQ(msg,
            "File record too long [IsWhichLaheyFile] [OpenLaheyFile] [ReadMoreIntoHarFile] "
            "[ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
}

TEST_P(HarReadTest, SpecialHeadersGoToTheirSlots) {
  recs.Header1C("XXCD", {"first date"}, 20)
      .Header1C("A", {"a"}, 4)
      .Header1C("XXAB", {"ordinary"}, 8)
      .Header1C("B", {"b"}, 4)
      .Header1C("XXCD", {"second date"}, 20)
      .Header1C("XXFF", {"ff"}, 4)
      .Header1C("xxhs", {"history"}, 60);
  ASSERT_TRUE(Read()) << msg;
  EXPECT_EQ(hd->Flavour, GetParam());
  EXPECT_EQ(NamesOf(*hd), (std::vector<std::string>{"XXAB", "A   ", "B   "}));
  ASSERT_NE(hd->XXCDHead, nullptr);
  EXPECT_EQ((*hd->XXCDHead->StringRec)[1], "second date");
  ASSERT_NE(hd->XXFFHead, nullptr);
  ASSERT_NE(hd->XXHSHead, nullptr);
  EXPECT_EQ((*hd->XXHSHead->StringRec)[1], "history");
  // The file had no creating program: it is made, with the compiler header.
  EXPECT_NE(hd->XXCRHead, nullptr);
  EXPECT_NE(hd->XXCPHead, nullptr);
  EXPECT_FALSE(skipped);
}

TEST_P(HarReadTest, SortingPutsXXFirstThenByCode) {
  recs.Header1C("ZEDA", {}, 4)
      .Header1C("ABCD", {}, 4)
      .Header1C("XXAB", {}, 4)
      .Header1C("1ABC", {}, 4);
  ASSERT_TRUE(Read(true)) << msg;
  EXPECT_EQ(NamesOf(*hd), (std::vector<std::string>{"XXAB", "1ABC", "ABCD", "ZEDA"}));
}

TEST_P(HarReadTest, EveryDataTypeIsReadAndRealsAreHeldAsRE) {
  recs.Header1C("STRS", {"one", "two  "}, 6);
  recs.Head("INTS")
      .Desc("2I", "FULL", "ints", {2, 2, 3})
      .Block2I(1, 2, 3, 1, 2, 1, 3, {1, 2, 3, 4, 5, 6});
  recs.Head("MAT ").Desc("2R", "FULL", "", {2, 1, 3}).Block2R(1, 1, 3, 1, 1, 1, 3, {1, kNaN, 3});
  recs.Head("SPRL").Desc("RL", "SPSE", "sparse", {7, 3, 2, 1, 1, 1, 1, 1});
  recs.SpseCount(1).SpseEntries(1, 1, {5}, {2.5f});
  recs.HeaderRLFull("FULL", {2, 3});
  ASSERT_TRUE(Read()) << msg;
  ASSERT_EQ(hd->NHeads(), 5);
  const THeaderRec& strs = *hd->Heads[0];
  EXPECT_EQ(*strs.StringRec, (std::vector<std::string>{"", "one", "two"}));
  const THeaderRec& ints = *hd->Heads[1];
  EXPECT_EQ(ints.IntData->At(2, 3), 6);
  EXPECT_EQ(ints.OrigNDim, 2);
  const THeaderRec& mat = *hd->Heads[2];
  EXPECT_EQ(mat.HeadType, "RE");
  EXPECT_EQ(mat.OrigNDim, 1);
  EXPECT_EQ(mat.REDetails.acdim, 1);
  EXPECT_EQ(*mat.HeadMat.Root, (TValues{1, 424242.0f, 3}));
  const THeaderRec& sp = *hd->Heads[3];
  EXPECT_EQ(sp.HeadType, "RE");
  EXPECT_EQ(sp.StorageMethod, "SPSE");
  EXPECT_EQ(*sp.HeadMat.Root, (TValues{0, 0, 0, 0, 2.5f, 0}));
  const THeaderRec& full = *hd->Heads[4];
  for (int p = 1; p <= 6; ++p) EXPECT_EQ((*full.HeadMat.Root)[p - 1], readtest::TestValue(p));
}

TEST_P(HarReadTest, BadDescriptorChain) {
  recs.Header1C("GOOD", {"x"}, 4).Head("ABCD").Desc("1C", "FULL", "", {2, 1, 4, 9});
  EXPECT_FALSE(Read());
  EXPECT_EQ(msg,
            "Bad details at header \"ABCD\"\r\nDescription Record wrong length [GetDesc] "
            "[GetHeaderDetails] [GetHeaderRecord] [ReadMoreIntoHarFile] [ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
}

TEST_P(HarReadTest, BadDataRecordChain) {
  recs.Head("ABCD").Desc("RL", "FULL", "", {7, 3, 1, 1, 1, 1, 1, 1});
  recs.FullDims(3, {3, 1, 1, 1, 1, 1, 1}).FullLimits(2, {1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  recs.FullValues(1, {1, 2, 3, 4});
  EXPECT_FALSE(Read());
  EXPECT_EQ(msg,
            "RL record wrong length [GetRLData] [ReadHeaderData:ABCD] [ReadMoreIntoHarFile] "
            "[ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
}

TEST_P(HarReadTest, NegativeDimensionChain) {
  recs.Head("ABCD").Desc("RL", "FULL", "", {7, 3, 1, -1, 1, 1, 1, 1});
  EXPECT_FALSE(Read());
  EXPECT_EQ(msg,
            "At header ABCD\r\nDimension < 0 [FindNDim] [GetHeaderDetails] [GetHeaderRecord] "
            "[ReadMoreIntoHarFile] [ReadHarFile]");
}

TEST_P(HarReadTest, SkipBadReportsTheSkip) {
  recs.Header1C("ONE ", {"1"}, 4).Head("BAD ").Desc("RL", "XXXX", "", {7, 1, 1, 1, 1, 1, 1, 1});
  recs.FullDims(3, {1, 1, 1, 1, 1, 1, 1}).Header1C("TWO ", {"2"}, 4);
  ASSERT_TRUE(Read(false, true)) << msg;
  EXPECT_TRUE(skipped);
  EXPECT_EQ(NamesOf(*hd), (std::vector<std::string>{"ONE ", "TWO "}));
}

TEST_P(HarReadTest, MostHeadersAcceptedOneMoreRefused) {
  for (int i = 0; i < MaxHeads; ++i) recs.Header1C("H" + std::to_string(i % 1000), {}, 4);
  recs.Header1C("XXHS", {}, 60);  // special headers do not count
  ASSERT_TRUE(Read()) << msg;
  EXPECT_EQ(hd->NHeads(), MaxHeads);
  hd.reset();
  recs.Header1C("LAST", {}, 4);
  EXPECT_FALSE(Read());
  EXPECT_EQ(msg, "Too many headers: max is 10050 [ReadMoreIntoHarFile] [ReadHarFile]");
  EXPECT_EQ(hd, nullptr);
}

TEST_P(HarReadTest, ReadingMoreAppendsToWhatIsHeld) {
  recs.Header1C("ONE ", {"1"}, 4).Header1C("XXCR", {"maker"}, 8);
  ASSERT_TRUE(Read()) << msg;
  const std::string second = readtest::TempPath("second.har");
  HarRecords more;
  more.Header1C("TWO ", {"2"}, 4).Header1C("XXCR", {"other"}, 8);
  ASSERT_TRUE(more.Write(second, TFileFlavour::NewFujitsu));
  ASSERT_TRUE(ReadMoreIntoHarFile(second, hd.get(), false, false, skipped, msg)) << msg;
  EXPECT_EQ(NamesOf(*hd), (std::vector<std::string>{"ONE ", "TWO "}));
  EXPECT_EQ((*hd->XXCRHead->StringRec)[1], "other");
  EXPECT_EQ(hd->Flavour, TFileFlavour::NewFujitsu);
}

TEST_P(HarReadTest, UnlabelledArrayWrittenAndReadAgain) {
  // Read as RE with empty labels, written with the set names Unk + size, and
  // read again with those names blank.
  recs.HeaderRLFull("FLOW", {3, 4}).Header1C("STRS", {"x"}, 4);
  ASSERT_TRUE(Read()) << msg;
  EXPECT_EQ(hd->Heads[0]->HeadType, "RE");
  const std::string again = readtest::TempPath("again.har");
  ASSERT_TRUE(WriteHarFile(again, "reader", "today", hd.get(), msg)) << msg;
  EXPECT_EQ(hd->Heads[0]->REDetails.StName[1], "Unk3");
  EXPECT_EQ(hd->Heads[0]->REDetails.StName[2], "Unk4");
  PHarData back;
  ASSERT_TRUE(ReadHarFile(again, back, false, false, skipped, msg)) << msg;
  const THeaderRec& flow = *back->Heads[0];
  EXPECT_EQ(flow.HeadType, "RE");
  EXPECT_TRUE(flow.REDetails.stknow);
  EXPECT_EQ(flow.REDetails.acdim, 2);
  EXPECT_EQ(flow.REDetails.StName[1], "");
  EXPECT_EQ(flow.REDetails.StName[2], "");
  EXPECT_EQ(flow.REDetails.RDelst[1], 'u');
  EXPECT_EQ(flow.Dims, hd->Heads[0]->Dims);
  EXPECT_EQ(*flow.HeadMat.Root, *hd->Heads[0]->HeadMat.Root);
  EXPECT_EQ(*back->Heads[1]->StringRec, *hd->Heads[1]->StringRec);
}

TEST(CompleteHarFileTest, CreatesTheMissingSpecialHeaders) {
  THarData h;
  std::string msg;
  ASSERT_TRUE(CompleteHarFile(&h, false, msg)) << msg;
  EXPECT_NE(h.XXHSHead, nullptr);
  EXPECT_NE(h.XXCDHead, nullptr);
  EXPECT_NE(h.XXCRHead, nullptr);
  EXPECT_NE(h.XXCPHead, nullptr);
  EXPECT_EQ(h.XXFFHead, nullptr);
  EXPECT_EQ(h.NHeads(), 0);
  EXPECT_FALSE(CompleteHarFile(nullptr, false, msg));
  EXPECT_EQ(msg, "Unexpected Nil Pointer [CompleteHarFile]");
}

THarData WithNames(const std::vector<std::string>& names) {
  THarData h;
  for (const std::string& n : names) {
    h.Heads.push_back(std::make_unique<THeaderRec>());
    h.Heads.back()->Name = n;
  }
  return h;
}

// The exchange walk as the reordering is defined, position by position.
void MoveXXToFrontByExchange(std::vector<std::string>& v) {
  auto xx = [](const std::string& s) { return s.size() >= 2 && s[0] == 'X' && s[1] == 'X'; };
  const int n = static_cast<int>(v.size());
  int i = 1;
  int j = n;
  while (j >= 1) {
    while (i < n && xx(v[i - 1])) ++i;
    if (j <= i) break;
    if (xx(v[j - 1])) {
      const std::string moved = v[j - 1];
      for (int k = j; k > i; --k) v[k - 1] = v[k - 2];
      v[i - 1] = moved;
    } else {
      --j;
    }
  }
}

TEST(MoveXXToFrontTest, Examples) {
  THarData a = WithNames({"A", "XX1", "B", "XX2"});
  MoveXXToFront(a);
  EXPECT_EQ(NamesOf(a), (std::vector<std::string>{"XX2", "XX1", "A", "B"}));
  THarData b = WithNames({"A", "XX1", "XX2"});
  MoveXXToFront(b);
  EXPECT_EQ(NamesOf(b), (std::vector<std::string>{"XX2", "XX1", "A"}));
  THarData c = WithNames({"XX1", "XX2", "A", "XX3", "B", "XX4"});
  MoveXXToFront(c);
  EXPECT_EQ(NamesOf(c), (std::vector<std::string>{"XX1", "XX2", "XX4", "XX3", "A", "B"}));
  THarData none;
  MoveXXToFront(none);
  EXPECT_EQ(none.NHeads(), 0);
}

TEST(MoveXXToFrontTest, SameOrderAsTheExchangeWalk) {
  const unsigned seed = 20261209;
  std::mt19937 rng(seed);
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::string> names;
    const int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) names.push_back((rng() % 2 ? "XX" : "AB") + std::to_string(k));
    THarData h = WithNames(names);
    MoveXXToFront(h);
    MoveXXToFrontByExchange(names);
    ASSERT_EQ(NamesOf(h), names) << "seed " << seed << " round " << round;
  }
}

TEST(SortHeadersTest, CombSortOrdersByCodeAfterTheXXHeaders) {
  const unsigned seed = 77;
  std::mt19937 rng(seed);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> names;
    const int n = static_cast<int>(rng() % 40);
    for (int k = 0; k < n; ++k) {
      std::string s;
      for (int c = 0; c < 4; ++c) s.push_back("XAZ09_ab"[rng() % 8]);
      names.push_back(s);
    }
    THarData h = WithNames(names);
    std::string msg;
    ASSERT_TRUE(sortheaders(&h, msg));
    std::vector<std::string> want = names;
    MoveXXToFrontByExchange(want);
    auto firstOther = std::find_if(want.begin(), want.end(), [](const std::string& s) {
      return !(s[0] == 'X' && s[1] == 'X');
    });
    std::sort(firstOther == want.end() ? want.begin() : firstOther, want.end());
    ASSERT_EQ(NamesOf(h), want) << "seed " << seed << " round " << round;
  }
  THarData allXX = WithNames({"XXZZ", "XXAA", "XXMM"});
  std::string msg;
  ASSERT_TRUE(sortheaders(&allXX, msg));
  EXPECT_EQ(NamesOf(allXX), (std::vector<std::string>{"XXAA", "XXMM", "XXZZ"}));
  EXPECT_FALSE(sortheaders(nullptr, msg));
  EXPECT_EQ(msg, "Error in [sortheaders]");
}

// A small file holding a header of every type.
HarRecords EveryType() {
  HarRecords r;
  r.Header1C("XXCD", {"today"}, 8).Header1C("STRS", {"ab", "cd"}, 3);
  r.Head("INTS").Desc("2I", "FULL", "", {2, 2, 2}).Block2I(1, 2, 2, 1, 2, 1, 2, {1, 2, 3, 4});
  r.Head("MAT ").Desc("2R", "FULL", "", {2, 2, 2}).Block2R(1, 2, 2, 1, 2, 1, 2, {1, 2, 3, 4});
  r.HeaderRLFull("FULL", {2, 2});
  r.Head("LABS").Desc("RE", "FULL", "", {7, 2, 1, 2, 1, 1, 1, 1});
  r.SetInfo({1, -1, "A", -1, {{"REG", 'k'}, {"COM", 'e', 1}, {"X", 'u'}}, {"food"}});
  r.Strings(1, 2, {"north", "south"}, 12);
  r.FullDims(3, {2, 1, 2, 1, 1, 1, 1}).FullLimits(2, {1, 2, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1});
  r.FullValues(1, {1, 2, 3, 4});
  r.Head("SPRS").Desc("RE", "SPSE", "", {7, 3, 1, 1, 1, 1, 1, 1});
  r.SetInfo({0, -1, "", -1, {{"T", 'u'}}, {}}).SpseCount(2).SpseEntries(1, 2, {1, 3}, {5, 6});
  return r;
}

// Every outcome of reading a damaged file is a clean result or a failure
// with a message, never a crash, a hang or a write out of bounds.
void ExpectCleanOutcome(const std::string& path, const std::string& what) {
  PHarData hd;
  std::string msg;
  bool skipped = false;
  if (ReadHarFile(path, hd, false, false, skipped, msg)) {
    ASSERT_NE(hd, nullptr) << what;
    return;
  }
  EXPECT_EQ(hd, nullptr) << what;
  const std::string tail = " [ReadHarFile]";
  ASSERT_GT(msg.size(), tail.size()) << what;
  EXPECT_EQ(msg.substr(msg.size() - tail.size()), tail) << what << ": " << msg;
}

class DamagedFileTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  void SetUp() override {
    OverrideAvailMemKB(64 * 1024);  // bumped sizes must not take the machine
  }
  void TearDown() override { OverrideAvailMemKB(std::nullopt); }
};

INSTANTIATE_TEST_SUITE_P(Flavours, DamagedFileTest, ::testing::ValuesIn(readtest::BothFlavours));

TEST_P(DamagedFileTest, IntactFileReadsAndStaysUntouched) {
  const std::string path = readtest::TempPath("intact.har");
  ASSERT_TRUE(EveryType().Write(path, GetParam()));
  const std::vector<uint8_t> before = readtest::ReadFileBytes(path);
  PHarData hd;
  std::string msg;
  bool skipped = false;
  ASSERT_TRUE(ReadHarFile(path, hd, false, false, skipped, msg)) << msg;
  EXPECT_EQ(hd->NHeads(), 6);
  const THeaderRec& labs = *hd->Heads[4];
  EXPECT_EQ(labs.SetNames[7], "REG");
  EXPECT_EQ(labs.SetNames[6], "food");
  EXPECT_EQ(labs.SetNames[5], "X");
  EXPECT_EQ(*labs.HeadMat.Root, (TValues{1, 2, 3, 4}));
  EXPECT_EQ(readtest::ReadFileBytes(path), before);
}

TEST_P(DamagedFileTest, TruncatedAtEveryByte) {
  const std::string path = readtest::TempPath("whole.har");
  ASSERT_TRUE(EveryType().Write(path, GetParam()));
  const std::vector<uint8_t> bytes = readtest::ReadFileBytes(path);
  const std::string cut = readtest::TempPath("cut.har");
  for (size_t n = 0; n < bytes.size(); ++n) {
    readtest::WriteFileBytes(
        cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    ExpectCleanOutcome(cut, "truncated to " + std::to_string(n));
  }
}

TEST_P(DamagedFileTest, EveryByteBumped) {
  const std::string path = readtest::TempPath("whole.har");
  ASSERT_TRUE(EveryType().Write(path, GetParam()));
  const std::vector<uint8_t> bytes = readtest::ReadFileBytes(path);
  const std::string bad = readtest::TempPath("bumped.har");
  for (size_t i = 0; i < bytes.size(); ++i) {
    for (const int change : {1, 0x80, 0xFF}) {
      std::vector<uint8_t> b = bytes;
      b[i] =
          static_cast<uint8_t>(change == 0xFF ? b[i] - 1 : (change == 1 ? b[i] + 1 : b[i] ^ 0x80));
      readtest::WriteFileBytes(bad, b);
      ExpectCleanOutcome(bad, "byte " + std::to_string(i) + " change " + std::to_string(change));
    }
  }
}

}  // namespace
}  // namespace modrask
