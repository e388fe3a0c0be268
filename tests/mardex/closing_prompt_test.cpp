// The closing prompt of the built program, run as under a debugger: the test
// itself is the program's tracer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mardex/mardex_fixture.h"

namespace modrask::test {
namespace {

const std::string Prompt = "press return to close DOS window";

class MardexUnderDebugger : public ::testing::Test {
 protected:
  void SetUp() override {
    input_ = dir_.File("in.har");
    StandardFile(TFileFlavour::NewFujitsu).Save(input_);
  }
  static void SkipIfNotTraceable(const TRunResult& r) {
    if (r.ExitCode == NotTraceable) GTEST_SKIP() << "this host does not allow tracing";
  }
  TTempDir dir_;
  std::string input_;
};

TEST_F(MardexUnderDebugger, UsageExitPromptsLast) {
  const TRunResult r = RunMardexTraced({}, "\n", 60);
  SkipIfNotTraceable(r);
  ASSERT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 1);
  std::vector<std::string> expected{"", "Error: Too few parameters - 4 are needed", ""};
  for (const auto& u : UsageLines()) expected.push_back(u);
  expected.push_back(Prompt);
  EXPECT_EQ(Lines(r.Out), expected);
}

TEST_F(MardexUnderDebugger, SuccessAndLateFailurePromptLast) {
  TRunResult r = RunMardexTraced({input_, dir_.File("out.har"), "REG", "ZONE"}, "\n", 60);
  SkipIfNotTraceable(r);
  ASSERT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 0);
  std::vector<std::string> lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 5u) << r.Out;
  EXPECT_TRUE(IsElapsedLine(lines[3])) << lines[3];
  EXPECT_EQ(lines[4], Prompt);

  const std::string bad = dir_.File("missing/out.har");
  r = RunMardexTraced({input_, bad, "REG", "ZONE"}, "\n", 60);
  ASSERT_FALSE(r.TimedOut);
  EXPECT_EQ(r.ExitCode, 1);
  lines = Lines(r.Out);
  ASSERT_EQ(lines.size(), 3u) << r.Out;
  EXPECT_EQ(lines[1], "Error: Can't create file: " + bad + " [CreateLaheyFile] [WriteHarFile]");
  EXPECT_EQ(lines[2], Prompt);
}

TEST_F(MardexUnderDebugger, ThePromptWaitsForALine) {
  const TRunResult r = RunMardexTraced({}, "", 2);
  SkipIfNotTraceable(r);
  EXPECT_TRUE(r.TimedOut);
  ASSERT_FALSE(Lines(r.Out).empty());
  EXPECT_EQ(Lines(r.Out).back(), Prompt);
}

}  // namespace
}  // namespace modrask::test
