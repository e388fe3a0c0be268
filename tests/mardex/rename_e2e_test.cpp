// The built program end to end: files made by the test's own encoder,
// every line printed, the exit code, and the output file read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "modrask/har/harread.h"
#include "mardex/mardex_fixture.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"

namespace modrask::test {
namespace {

const std::string Gap = "     flavour: ";

std::string Opened(const std::string& file, const char* flavour) {
  return "Opened HAR file " + file + Gap + flavour;
}
std::string Transferred(int n, const std::string& file) {
  return std::to_string(n) + " headers transferred to new file " + file + Gap + "New Fujitsu";
}
std::string Changes(int n, const std::string& oldSet, const std::string& newSet) {
  return "There were " + std::to_string(n) + " set name changes from \"" + oldSet + "\" to \"" +
         newSet + "\"";
}

// A successful run: the given lines, then the elapsed-time line (its number
// varies), exit code 0.
void ExpectSuccess(const TRunResult& r, const std::vector<std::string>& lines) {
  ASSERT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  std::vector<std::string> got = Lines(r.Out);
  ASSERT_EQ(got.size(), lines.size() + 1) << r.Out;
  const std::string elapsed = got.back();
  got.pop_back();
  EXPECT_EQ(got, lines);
  EXPECT_TRUE(IsElapsedLine(elapsed)) << elapsed;
}

// The lines printed before the usage text of an ErrorExit.
std::vector<std::string> WithErrorExit(std::vector<std::string> lines, const std::string& error) {
  lines.push_back("");
  lines.push_back("Error: " + error);
  lines.push_back("");
  for (const auto& u : UsageLines()) lines.push_back(u);
  return lines;
}

PHarData ReadBack(const std::string& path) {
  PHarData h;
  bool skipped = false;
  std::string msg;
  EXPECT_TRUE(ReadHarFile(path, h, false, false, skipped, msg)) << msg;
  return h;
}

const THeaderRec* Head(const THarData& h, std::string_view name) {
  const std::string want = std::string(name) + std::string(4 - name.size(), ' ');
  for (const auto& p : h.Heads) {
    if (p && p->Name == want) return p.get();
  }
  ADD_FAILURE() << "no header " << name;
  return nullptr;
}

std::vector<std::string> Strings(const THeaderRec& h) {
  std::vector<std::string> s;
  for (int32_t i = 1; i <= h.NStrings; ++i) s.push_back((*h.StringRec)[i]);
  return s;
}

std::vector<std::string> Elements(const THeaderRec& h, int slot) {
  std::vector<std::string> s;
  if (!h.SetElements[slot]) return s;
  for (int32_t i = 1; i <= h.Dims[slot]; ++i) s.push_back((*h.SetElements[slot])[i]);
  return s;
}

int32_t CountSets(THarData& h, std::string_view name) {
  PSetStore store;
  std::string msg;
  EXPECT_TRUE(StoreHARFileSets(store, &h, true, msg)) << msg;
  return store ? CountSetsByName(store.get(), name) : -1;
}

class MardexRun : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = dir_.File("in.har");
    output_ = dir_.File("out.har");
  }
  TTempDir dir_;
  std::string input_;
  std::string output_;
};

TEST_F(MardexRun, RenamesRegToZoneEverywhere) {
  StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  const std::string before = ReadFileBytes(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  ExpectSuccess(
      r, {Opened(input_, "New Fujitsu"), Transferred(6, output_), Changes(4, "REG", "ZONE")});
  EXPECT_EQ(ReadFileBytes(input_), before);

  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->Flavour, TFileFlavour::NewFujitsu);
  ASSERT_EQ(h->NHeads(), 6);
  const THeaderRec* rg = Head(*h, "RG01");
  ASSERT_TRUE(rg);
  EXPECT_EQ(rg->LongName, "Set ZONE Regions of the world");
  EXPECT_EQ(Strings(*rg), RegElements());
  EXPECT_EQ(Head(*h, "CM01")->LongName, "Set COM Commodities");

  const THeaderRec* a1 = Head(*h, "A1");
  ASSERT_TRUE(a1);
  EXPECT_EQ(a1->SetNames[7], "ZONE");
  EXPECT_EQ(a1->REDetails.StName[1], "ZONE");
  EXPECT_EQ(Elements(*a1, 7), RegElements());
  ASSERT_TRUE(a1->HeadMat.Root);
  EXPECT_EQ(*a1->HeadMat.Root, (TValues{1, 2, 3, 4, 5}));
  const THeaderRec* a2 = Head(*h, "A2");
  ASSERT_TRUE(a2);
  EXPECT_EQ(a2->SetNames[7], "COM");
  EXPECT_EQ(a2->SetNames[6], "ZONE");
  EXPECT_EQ(Elements(*a2, 6), RegElements());
  ASSERT_TRUE(a2->HeadMat.Root);
  EXPECT_EQ(a2->HeadMat.Root->at(14), 7.5f);
  const THeaderRec* a3 = Head(*h, "A3");
  ASSERT_TRUE(a3);
  EXPECT_EQ(a3->SetNames[7], "ZONE");
  EXPECT_EQ(a3->SetNames[6], "COM");
  ASSERT_TRUE(a3->HeadMat.Root);
  TValues a3Want(15, 0.0f);
  a3Want[0] = 7.25f;
  a3Want[14] = -3.0f;
  EXPECT_EQ(*a3->HeadMat.Root, a3Want);
  const THeaderRec* ints = Head(*h, "INTS");
  ASSERT_TRUE(ints && ints->IntData);
  EXPECT_EQ(ints->IntData->At(2, 3), 6);
  EXPECT_EQ(ints->IntData->At(1, 2), 3);

  ASSERT_TRUE(h->XXHSHead);
  EXPECT_EQ(
      Strings(*h->XXHSHead),
      (std::vector<std::string>{"made by the test suite", "Set REG was globally renamed to ZONE"}));
  ASSERT_TRUE(h->XXCRHead);
  EXPECT_EQ(Strings(*h->XXCRHead).at(0), "Mardex");
  ASSERT_TRUE(h->XXCDHead);
  // The long time format of the host: 14:05:09, or 2:05:09 PM in some locales.
  EXPECT_TRUE(std::regex_match(Strings(*h->XXCDHead).at(0),
                               std::regex("at [0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?")))
      << Strings(*h->XXCDHead).at(0);
  EXPECT_EQ(CountSets(*h, "REG"), 0);
  EXPECT_EQ(CountSets(*h, "ZONE"), 1);
  EXPECT_EQ(CountSets(*h, "COM"), 1);
}

TEST_F(MardexRun, OldSetInLowerCaseIsFoundAndShownAsTyped) {
  StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "reg", "Zone"});
  ExpectSuccess(
      r, {Opened(input_, "New Fujitsu"), Transferred(6, output_), Changes(4, "reg", "Zone")});
  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h && h->XXHSHead);
  EXPECT_EQ(Strings(*h->XXHSHead).back(), "Set reg was globally renamed to Zone");
  EXPECT_EQ(Head(*h, "A1")->SetNames[7], "Zone");
  EXPECT_EQ(Head(*h, "RG01")->LongName, "Set Zone Regions of the world");
  EXPECT_EQ(CountSets(*h, "REG"), 0);
}

TEST_F(MardexRun, NewNameAlreadyTakenIsRefused) {
  StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  // Equal to the old name, the old name in another case, another set.
  for (const char* newSet : {"REG", "Reg", "com"}) {
    const TRunResult r = RunMardexBinary({input_, output_, "REG", newSet});
    EXPECT_EQ(r.ExitCode, 1) << newSet;
    EXPECT_EQ(Lines(r.Out), WithErrorExit({Opened(input_, "New Fujitsu")},
                                          "Sorry, file already contains a set called \"" +
                                              std::string(newSet) + "\""));
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
  }
}

TEST_F(MardexRun, AbsentOldSetIsWarnedAndTheFileStillWritten) {
  StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "XYZ", "ZONE"});
  ExpectSuccess(r, {Opened(input_, "New Fujitsu"), "WARNING: file contains no set called \"XYZ\"",
                    Transferred(6, output_), Changes(0, "XYZ", "ZONE")});
  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h && h->XXHSHead);
  EXPECT_EQ(Strings(*h->XXHSHead).back(), "Set XYZ was globally renamed to ZONE");
  EXPECT_EQ(CountSets(*h, "REG"), 1);
}

TEST_F(MardexRun, AbsentFromTheStoreButStillRenamed) {
  // A set refused for its element names enters no set store; the rename
  // still reaches the dimension that carries it.
  THarBytes f(TFileFlavour::NewFujitsu);
  f.HeaderRE("ODD", "Odd names", {{"BAD", {"1X", "2X", "3X"}}}, {1, 2, 3});
  f.Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "BAD", "GOOD"});
  ExpectSuccess(r, {Opened(input_, "New Fujitsu"), "WARNING: file contains no set called \"BAD\"",
                    Transferred(1, output_), Changes(1, "BAD", "GOOD")});
  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h);
  EXPECT_EQ(Head(*h, "ODD")->SetNames[7], "GOOD");
  EXPECT_EQ(Elements(*Head(*h, "ODD"), 7), (std::vector<std::string>{"1X", "2X", "3X"}));
}

TEST_F(MardexRun, OldSetOfTwoSizesIsRefusedAndNothingWritten) {
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("RG01", "Set REG Regions", RegElements(), 12);
  f.HeaderRE("A7", "Seven regions", {{"REG", {"S1", "S2", "S3", "S4", "S5", "S6", "S7"}}},
             {1, 2, 3, 4, 5, 6, 7});
  f.Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(Lines(r.Out), WithErrorExit({Opened(input_, "New Fujitsu")},
                                        "Sorry, file contains 2 DIFFERENT sets called \"REG\""));
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
}

TEST_F(MardexRun, OldLaheyInputIsWrittenNewFujitsu) {
  StandardFile(TFileFlavour::OldLahey).Save(input_);
  ASSERT_EQ(static_cast<unsigned char>(ReadFileBytes(input_).at(0)), 0xFD);
  const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  ExpectSuccess(r,
                {Opened(input_, "Old Lahey"), Transferred(6, output_), Changes(4, "REG", "ZONE")});
  // New Fujitsu: no lead byte, the first record a 4-byte name.
  const std::string out = ReadFileBytes(output_);
  ASSERT_GE(out.size(), 12u);
  EXPECT_EQ(out.substr(0, 12), THarBytes::Int(4) + "XXCD" + THarBytes::Int(4));
  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->Flavour, TFileFlavour::NewFujitsu);
  EXPECT_EQ(Head(*h, "A2")->SetNames[6], "ZONE");
}

TEST_F(MardexRun, OutputEqualToInputReplacesIt) {
  StandardFile(TFileFlavour::OldLahey).Save(input_);
  const TRunResult r = RunMardexBinary({input_, input_, "REG", "ZONE"});
  ExpectSuccess(r,
                {Opened(input_, "Old Lahey"), Transferred(6, input_), Changes(4, "REG", "ZONE")});
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
  PHarData h = ReadBack(input_);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->Flavour, TFileFlavour::NewFujitsu);
  EXPECT_EQ(CountSets(*h, "REG"), 0);
  EXPECT_EQ(CountSets(*h, "ZONE"), 1);
}

TEST_F(MardexRun, InputThatIsNoHeaderArrayFile) {
  WriteFileBytes(input_, "");
  const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  std::vector<std::string> expected{"Input file \"" + input_ + "\" is not a Header Array file."};
  for (const auto& u : UsageLines()) expected.push_back(u);
  EXPECT_EQ(Lines(r.Out), expected);
  EXPECT_EQ(r.ExitCode, 1);
}

TEST_F(MardexRun, InputThatCannotBeRead) {
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Record("ABCD");
  f.Descriptor("1c", "FULL", "lower-case type", {2, 1, 4});
  f.Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  std::vector<std::string> expected{
      "Error reading input file \"" + input_ + "\". Error message is:",
      "Bad details at header \"ABCD\"" + EmbeddedLineEnd(),
      "Unrecognized Data Type 1c [GetIntsExpected] [GetDesc] [GetHeaderDetails] "
      "[GetHeaderRecord] [ReadMoreIntoHarFile] [ReadHarFile]"};
  for (const auto& u : UsageLines()) expected.push_back(u);
  EXPECT_EQ(Lines(r.Out), expected);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
}

// Base-36 header names S000, S001, ... for many small headers.
std::string ManyName(int i) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s = "S";
  for (int d = 36 * 36; d >= 1; d /= 36) s += digits[(i / d) % 36];
  return s;
}

TEST_F(MardexRun, SetStoreThatCannotBeBuiltIsALateFailure) {
  THarBytes f(TFileFlavour::NewFujitsu);
  for (int i = 0; i <= MaxSets; ++i) {
    f.Header1C(ManyName(i), "Set " + ManyName(i) + " one of many", {"E1"}, 12);
  }
  f.Save(input_);
  const TRunResult r = RunMardexBinary({input_, output_, "S000", "ZONE"});
  EXPECT_EQ(Lines(r.Out),
            (std::vector<std::string>{
                Opened(input_, "New Fujitsu"),
                "Error: Too many sets[AddToSetStore][StoreHeaderSets][StoreHARFileSets]"}));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
}

TEST_F(MardexRun, OutputThatCannotBeCreatedIsALateFailure) {
  StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  const std::string bad = dir_.File("missing/out.har");
  const TRunResult r = RunMardexBinary({input_, bad, "REG", "ZONE"});
  EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{Opened(input_, "New Fujitsu"),
                                                    "Error: Can't create file: " + bad +
                                                        " [CreateLaheyFile] [WriteHarFile]"}));
  EXPECT_EQ(r.ExitCode, 1);
}

TEST_F(MardexRun, FailedWriteLeavesNoPartialOutput) {
  // History strings of 80 characters: the writer refuses them after the
  // three stamp headers are written.
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("XXHS", "File History", {"a long history line"}, 80);
  f.Header1C("RG01", "Set REG Regions", RegElements(), 12);
  f.Save(input_);
  const std::string input = ReadFileBytes(input_);
  const std::string oldOutput = "an earlier output that must survive";
  WriteFileBytes(output_, oldOutput);
  const std::vector<std::string> expected{
      Opened(input_, "New Fujitsu"),
      "Error: History strings are of length 80 should be 60. [WriteHarFile]"};

  TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"});
  EXPECT_EQ(Lines(r.Out), expected);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(ReadFileBytes(output_), oldOutput);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"in.har", "out.har"}));

  // Output equal to input: the input stays whole.
  r = RunMardexBinary({input_, input_, "REG", "ZONE"});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(ReadFileBytes(input_), input);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"in.har", "out.har"}));
}

TEST_F(MardexRun, SparseStorageFollowsTheUserSetting) {
  THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("RG01", "Set REG Regions", RegElements(), 12);
  f.HeaderRE("ZERO", "Mostly zero", {{"REG", RegElements()}}, {0, 0, 0, 0, 9});
  f.Save(input_);
  for (const auto& [setting, storage] : std::vector<std::pair<std::string, std::string>>{
           {"", "SPSE"}, {"1", "SPSE"}, {"0", "FULL"}}) {
    std::vector<std::pair<std::string, std::string>> env;
    if (!setting.empty()) env.emplace_back("MODRASK_USESPARSE", setting);
    const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"}, env);
    ExpectSuccess(
        r, {Opened(input_, "New Fujitsu"), Transferred(2, output_), Changes(2, "REG", "ZONE")});
    PHarData h = ReadBack(output_);
    ASSERT_TRUE(h);
    const THeaderRec* zero = Head(*h, "ZERO");
    ASSERT_TRUE(zero && zero->HeadMat.Root);
    EXPECT_EQ(zero->StorageMethod, storage) << "setting '" << setting << "'";
    EXPECT_EQ(*zero->HeadMat.Root, (TValues{0, 0, 0, 0, 9}));
  }
}

TEST_F(MardexRun, SampleFileOfTheReadme) {
  const std::string sample =
      (std::filesystem::path(__FILE__).parent_path() / "../../examples/sample.har")
          .lexically_normal()
          .string();
  PHarData in = ReadBack(sample);
  ASSERT_TRUE(in);
  // What the README promises of it: sets from character headers, arrays of
  // 1 to 4 dimensions stored FULL and SPSE, an integer matrix, a history.
  EXPECT_EQ(CountSets(*in, "REG"), 1);
  EXPECT_EQ(CountSets(*in, "COM"), 1);
  EXPECT_EQ(CountSets(*in, "MARG"), 1);
  const std::vector<std::pair<std::string, std::pair<int32_t, std::string>>> arrays{
      {"POP", {1, "FULL"}}, {"PROD", {2, "FULL"}}, {"TRAD", {3, "SPSE"}}, {"MRGN", {4, "SPSE"}}};
  for (const auto& [name, shape] : arrays) {
    const THeaderRec* a = Head(*in, name);
    ASSERT_TRUE(a) << name;
    EXPECT_EQ(a->HeadType, "RE") << name;
    EXPECT_EQ(a->OrigNDim, shape.first) << name;
    EXPECT_EQ(a->StorageMethod, shape.second) << name;
  }
  EXPECT_EQ(Head(*in, "YEAR")->HeadType, "2I");
  ASSERT_TRUE(in->XXHSHead);
  EXPECT_EQ(Strings(*in->XXHSHead).back(), "Sample file made by make_sample for the README");

  const TRunResult r = RunMardexBinary({sample, output_, "REG", "ZONE"});
  ExpectSuccess(
      r, {Opened(sample, "New Fujitsu"), Transferred(8, output_), Changes(7, "REG", "ZONE")});
  PHarData h = ReadBack(output_);
  ASSERT_TRUE(h);
  EXPECT_EQ(CountSets(*h, "REG"), 0);
  EXPECT_EQ(CountSets(*h, "ZONE"), 1);
  EXPECT_EQ(Head(*h, "MRGN")->SetNames[5], "ZONE");
  EXPECT_EQ(Head(*h, "MRGN")->SetNames[4], "ZONE");
}

}  // namespace
}  // namespace modrask::test
