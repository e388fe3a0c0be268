// The argument checks of the built program: every line and the exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mardex/mardex_fixture.h"

namespace modrask::test {
namespace {

// An empty line, the error line, an empty line and the usage text.
std::vector<std::string> ErrorExitLines(const std::vector<std::string>& errorLines) {
  std::vector<std::string> lines{""};
  for (size_t i = 0; i < errorLines.size(); ++i) {
    lines.push_back((i == 0 ? "Error: " : "") + errorLines[i]);
  }
  lines.push_back("");
  for (const auto& u : UsageLines()) lines.push_back(u);
  return lines;
}

void ExpectErrorExit(const TRunResult& r, const std::vector<std::string>& errorLines) {
  ASSERT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(Lines(r.Out), ErrorExitLines(errorLines));
  EXPECT_EQ(r.Out.back(), '\n');
}

class MardexArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = dir_.File("in.har");
    StandardFile(TFileFlavour::NewFujitsu).Save(input_);
    output_ = dir_.File("out.har");
  }
  TTempDir dir_;
  std::string input_;
  std::string output_;
};

TEST_F(MardexArguments, NoArgumentsIsTooFew) {
  ExpectErrorExit(RunMardexBinary({}), {"Too few parameters - 4 are needed"});
}

TEST_F(MardexArguments, ThreeArgumentsIsTooFew) {
  ExpectErrorExit(RunMardexBinary({input_, output_, "REG"}), {"Too few parameters - 4 are needed"});
}

TEST_F(MardexArguments, FiveArgumentsIsTooMany) {
  ExpectErrorExit(RunMardexBinary({input_, output_, "REG", "ZONE", "EXTRA"}),
                  {"Too many parameters - 4 only are needed"});
  // The count is checked before the input file is looked for.
  ExpectErrorExit(RunMardexBinary({dir_.File("none.har"), output_, "REG", "ZONE", "/S"}),
                  {"Too many parameters - 4 only are needed"});
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
}

TEST_F(MardexArguments, MissingInputCannotBeLocated) {
  const std::string missing = dir_.File("none.har");
  ExpectErrorExit(RunMardexBinary({missing, output_, "REG", "ZONE"}),
                  {"Cannot locate file: " + missing});
}

TEST_F(MardexArguments, FolderAsInputCannotBeLocated) {
  const std::string folder = dir_.Path().string();
  ExpectErrorExit(RunMardexBinary({folder, output_, "REG", "ZONE"}),
                  {"Cannot locate file: " + folder});
}

TEST_F(MardexArguments, OptionLikeArgumentsArePositional) {
  ExpectErrorExit(RunMardexBinary({"-h", output_, "REG", "ZONE"}), {"Cannot locate file: -h"});
  ExpectErrorExit(RunMardexBinary({"/?", output_, "REG", "ZONE"}), {"Cannot locate file: /?"});
}

TEST_F(MardexArguments, NewSetStartingWithDigitIsIllegal) {
  // The reason stands on the line below, after the CR LF of the message.
  ExpectErrorExit(RunMardexBinary({input_, output_, "REG", "1ZONE"}),
                  {"\"1ZONE\" is not a legal set name: " + EmbeddedLineEnd(),
                   "Set name must start with a letter A-Z"});
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
}

TEST_F(MardexArguments, NewSetOfThirteenCharactersIsIllegal) {
  ExpectErrorExit(RunMardexBinary({input_, output_, "REG", "ABCDEFGHIJKLM"}),
                  {"\"ABCDEFGHIJKLM\" is not a legal set name: " + EmbeddedLineEnd(),
                   "Set name must be at most 12 characters long"});
  // Twelve characters are accepted: the run goes on and writes the file.
  const TRunResult ok = RunMardexBinary({input_, output_, "REG", "ABCDEFGHIJKL"});
  EXPECT_EQ(ok.ExitCode, 0) << ok.Out;
}

TEST_F(MardexArguments, NewSetIsCheckedBeforeTheInputIsRead) {
  const std::string text = dir_.File("notes.txt");
  WriteFileBytes(text, "not a Header Array file\n");
  ExpectErrorExit(RunMardexBinary({text, output_, "REG", "1ZONE"}),
                  {"\"1ZONE\" is not a legal set name: " + EmbeddedLineEnd(),
                   "Set name must start with a letter A-Z"});
  // With a legal name the same input is refused as it is read.
  const TRunResult r = RunMardexBinary({text, output_, "REG", "ZONE"});
  std::vector<std::string> expected{"Input file \"" + text + "\" is not a Header Array file."};
  for (const auto& u : UsageLines()) expected.push_back(u);
  EXPECT_EQ(Lines(r.Out), expected);
  EXPECT_EQ(r.ExitCode, 1);
}

TEST_F(MardexArguments, OldSetIsNotCheckedAsAName) {
  // An old name that is no legal set name is only looked up (and not found).
  const TRunResult r = RunMardexBinary({input_, output_, "1REG", "ZONE"});
  ASSERT_GE(Lines(r.Out).size(), 2u) << r.Out;
  EXPECT_EQ(Lines(r.Out)[1], "WARNING: file contains no set called \"1REG\"");
  EXPECT_EQ(r.ExitCode, 0);
}

TEST_F(MardexArguments, BadUserSettingEndsTheRunAtStart) {
  for (const char* var : {"MODRASK_USESPARSE", "MODRASK_FLASHTASKBAR"}) {
    const TRunResult r = RunMardexBinary({input_, output_, "REG", "ZONE"}, {{var, "yes"}});
    EXPECT_EQ(r.ExitCode, 1) << var;
    EXPECT_EQ(Lines(r.Out), std::vector<std::string>{WrongTypeLine(var)}) << var;
  }
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"in.har"});
  for (const char* value : {"0", "1", "-7"}) {
    const TRunResult r =
        RunMardexBinary({}, {{"MODRASK_USESPARSE", value}, {"MODRASK_FLASHTASKBAR", value}});
    ExpectErrorExit(r, {"Too few parameters - 4 are needed"});
  }
}

}  // namespace
}  // namespace modrask::test
