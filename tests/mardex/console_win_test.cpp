// The console of the built program on Windows: CR LF line ends, a CR LF inside a message
// written as it stands, never doubled.
#include <gtest/gtest.h>

#include <string>

#include "mardex/mardex_fixture.h"

namespace modrask::test {
namespace {

// Every line feed has its carriage return, and no carriage return is doubled.
void ExpectCrLfLines(const std::string& raw) {
  EXPECT_EQ(raw.find("\r\r"), std::string::npos) << raw;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\n') {
      EXPECT_TRUE(i > 0 && raw[i - 1] == '\r') << "bare line feed at " << i;
    }
  }
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
}

TEST(MardexConsoleWin, UsageAndEmbeddedCrLf) {
  TTempDir dir;
  const std::string input = dir.File("in.har");
  StandardFile(TFileFlavour::NewFujitsu).Save(input);
  const TRunResult r = RunMardexBinary({input, dir.File("out.har"), "REG", "1ZONE"});
  EXPECT_EQ(r.ExitCode, 1);
  ExpectCrLfLines(r.Out);
  const std::string start =
      "\r\nError: \"1ZONE\" is not a legal set name: \r\nSet name must start with a letter "
      "A-Z\r\n\r\n";
  EXPECT_EQ(r.Out.substr(0, start.size()), start);
}

TEST(MardexConsoleWin, ReportsOfARunAndTheWrongTypeExit) {
  TTempDir dir;
  const std::string input = dir.File("in.har");
  StandardFile(TFileFlavour::NewFujitsu).Save(input);
  TRunResult r = RunMardexBinary({input, dir.File("out.har"), "REG", "ZONE"});
  EXPECT_EQ(r.ExitCode, 0);
  ExpectCrLfLines(r.Out);
  EXPECT_EQ(Lines(r.Out).size(), 4u) << r.Out;
  r = RunMardexBinary({input, dir.File("out2.har"), "REG", "ZONE"}, {{"MODRASK_USESPARSE", "on"}});
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Out, WrongTypeLine("MODRASK_USESPARSE") + "\r\n");
}

}  // namespace
}  // namespace modrask::test
