// The report operations and the run, driven in-process with a string sink.
#include "mardex/rename_run.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

#include "modrask/har/harwrite.h"
#include "mardex/mardex_fixture.h"
#include "modrask/records/recbuf.h"

namespace modrask {
namespace {

class OpenHarFileTest : public ::testing::Test {
 protected:
  test::TTempDir dir_;
  std::ostringstream out_;
  PHarData h_;
  std::string msg_;
};

TEST_F(OpenHarFileTest, MissingFile) {
  const std::string name = dir_.File("gone.har");
  EXPECT_FALSE(OpenHarFile(out_, h_, name, msg_));
  EXPECT_EQ(out_.str(), "Input file \"" + name + "\" does not exist.\n");
  EXPECT_FALSE(h_);
  // A folder is no file either.
  std::ostringstream out;
  EXPECT_FALSE(OpenHarFile(out, h_, dir_.Path().string(), msg_));
  EXPECT_EQ(out.str(), "Input file \"" + dir_.Path().string() + "\" does not exist.\n");
}

TEST_F(OpenHarFileTest, NotARecordFile) {
  // The first record of a Header Array file is 4 bytes long; this one is 8.
  const std::string name = dir_.File("eight.har");
  test::THarBytes f(TFileFlavour::NewFujitsu);
  f.Record("ABCDEFGH");
  f.Save(name);
  EXPECT_FALSE(OpenHarFile(out_, h_, name, msg_));
  EXPECT_EQ(out_.str(), "Input file \"" + name + "\" is not a Header Array file.\n");
  EXPECT_FALSE(h_);
}

TEST_F(OpenHarFileTest, ReadFailurePrintsTheReadersMessageBelow) {
  // The last record, the data of the integer matrix INTS (2 x 3), cut short
  // after the records that the framing probe reads, or missing altogether: an
  // end of the file where a record belongs has no text of its own.
  const std::string bytes = test::StandardFile(TFileFlavour::NewFujitsu).Bytes();
  // Two markers, the head, a structure of 7 integers and the 6 values.
  const size_t intsRecord = 4 + LenHead + 7 * 4 + 6 * 4 + 4;
  const std::string outer =
      " [Get2IData] [ReadHeaderData:INTS] [ReadMoreIntoHarFile] [ReadHarFile]";
  const std::pair<size_t, std::string> cases[] = {
      {6, "Unexpected end-of-file [FileRead] [GetLaheyRecA] [GetRecBuf]" + outer},
      {intsRecord, " [GetRecBuf]" + outer}};
  for (const auto& [cut, reason] : cases) {
    SCOPED_TRACE(cut);
    const std::string name = dir_.File("cut.har");
    test::WriteFileBytes(name, bytes.substr(0, bytes.size() - cut));
    std::ostringstream out;
    PHarData h;
    EXPECT_FALSE(OpenHarFile(out, h, name, msg_));
    EXPECT_EQ(msg_, reason);
    EXPECT_EQ(out.str(),
              "Error reading input file \"" + name + "\". Error message is:\n" + reason + "\n");
    EXPECT_FALSE(h);
  }
}

TEST_F(OpenHarFileTest, SuccessNamesTheFlavour) {
  for (const auto flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    const std::string name = dir_.File("ok.har");
    test::StandardFile(flavour).Save(name);
    std::ostringstream out;
    PHarData h;
    ASSERT_TRUE(OpenHarFile(out, h, name, msg_)) << msg_;
    EXPECT_EQ(out.str(), "Opened HAR file " + name + "     flavour: " +
                             (flavour == TFileFlavour::OldLahey ? "Old Lahey" : "New Fujitsu") +
                             "\n");
    ASSERT_TRUE(h);
    EXPECT_EQ(h->Flavour, flavour);
    EXPECT_EQ(h->NHeads(), 6);
  }
}

TEST(ReportTransfer, CountsOrdinaryHeadersOnly) {
  THarData h;
  h.Heads.push_back(std::make_unique<THeaderRec>());
  h.Heads.push_back(std::make_unique<THeaderRec>());
  h.XXHSHead = std::make_unique<THeaderRec>();
  h.Flavour = TFileFlavour::OldLahey;
  std::ostringstream out;
  ReportTransfer(out, h, "new.har");
  EXPECT_EQ(out.str(), "2 headers transferred to new file new.har     flavour: Old Lahey\n");
}

TEST(RunMardex, InProcessRunWritesTheReportToTheSink) {
  test::TTempDir dir;
  const std::string in = dir.File("in.har");
  const std::string outFile = dir.File("out.har");
  test::StandardFile(TFileFlavour::OldLahey).Save(in);
  std::ostringstream out;
  EXPECT_EQ(RunMardex({in, outFile, "Reg", "ZONE"}, out), 0);
  const std::vector<std::string> lines = test::Lines(out.str());
  ASSERT_EQ(lines.size(), 4u) << out.str();
  EXPECT_EQ(lines[0], "Opened HAR file " + in + "     flavour: Old Lahey");
  EXPECT_EQ(lines[1], "6 headers transferred to new file " + outFile + "     flavour: New Fujitsu");
  EXPECT_EQ(lines[2], "There were 4 set name changes from \"Reg\" to \"ZONE\"");
  EXPECT_TRUE(test::IsElapsedLine(lines[3])) << lines[3];

  std::ostringstream refused;
  EXPECT_EQ(RunMardex({in, outFile, "REG"}, refused), 1);
  EXPECT_EQ(test::Lines(refused.str()).at(1), "Error: Too few parameters - 4 are needed");
}

}  // namespace
}  // namespace modrask
