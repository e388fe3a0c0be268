// The console helpers, driven in-process with string sinks.
#include "mardex/HarUtil.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "mardex/mardex_fixture.h"

namespace modrask {
namespace {

std::string UsageText() {
  std::string text;
  for (const auto& line : test::UsageLines()) text += line + "\n";
  return text;
}

TEST(ElapsedLine, RightAlignsInEightCharacters) {
  EXPECT_EQ(ElapsedLine(1000, 2234, "total execution time"),
            "    1234 milliseconds total execution time");
  EXPECT_EQ(ElapsedLine(5, 5, "x"), "       0 milliseconds x");
  EXPECT_EQ(ElapsedLine(0, 9999999, "x"), " 9999999 milliseconds x");
  // Eight digits and more fill the field and push it wider.
  EXPECT_EQ(ElapsedLine(0, 10000000, "x"), "10000000 milliseconds x");
  EXPECT_EQ(ElapsedLine(0, 123456789, "x"), "123456789 milliseconds x");
  EXPECT_EQ(ElapsedLine(0, 4294967295u, "x"), "4294967295 milliseconds x");
}

TEST(ElapsedLine, ShapeThatTheRunTestsAccept) {
  EXPECT_TRUE(test::IsElapsedLine(ElapsedLine(0, 1234, "total execution time")));
  EXPECT_TRUE(test::IsElapsedLine(ElapsedLine(0, 123456789, "total execution time")));
  EXPECT_FALSE(test::IsElapsedLine("1234 milliseconds total execution time"));
  EXPECT_FALSE(test::IsElapsedLine("     1234 milliseconds total execution time"));
  EXPECT_FALSE(test::IsElapsedLine("    1234 milliseconds total"));
}

TEST(ElapsedLine, DifferenceIsRightAcrossAWrapOfTheCounter) {
  EXPECT_EQ(ElapsedLine(0xFFFFFF00u, 0x00000100u, "t"), "     512 milliseconds t");
  EXPECT_EQ(ElapsedLine(0xFFFFFFFFu, 0u, "t"), "       1 milliseconds t");
}

TEST(ElapsedTime, EmptyLabelOnlyRecordsTheTick) {
  std::ostringstream out;
  uint32_t tick = 0;
  ElapsedTime(tick, "", out);
  EXPECT_EQ(out.str(), "");
  const uint32_t first = tick;
  ElapsedTime(tick, "step", out);
  const std::string line = out.str();
  ASSERT_EQ(line.size(), 8 + std::string(" milliseconds step\n").size()) << line;
  EXPECT_EQ(line.substr(8), " milliseconds step\n");
  EXPECT_EQ(ElapsedLine(first, tick, "step") + "\n", line);
}

TEST(ConsoleExits, UsageExitPrintsEightLinesAndReturnsOne) {
  std::ostringstream out;
  EXPECT_EQ(UsageExit(out), 1);
  EXPECT_EQ(out.str(), UsageText());
}

TEST(ConsoleExits, ErrorExitFramesTheMessageWithEmptyLines) {
  std::ostringstream out;
  EXPECT_EQ(ErrorExit(out, "\"1Z\" is not a legal set name: \r\nreason"), 1);
  EXPECT_EQ(out.str(), "\nError: \"1Z\" is not a legal set name: \r\nreason\n\n" + UsageText());
}

TEST(ConsoleExits, LateFailureIsOneLineAndExitCodeOne) {
  std::ostringstream out;
  EXPECT_EQ(LateFailureExit(out, "Too many sets[AddToSetStore]"), 1);
  EXPECT_EQ(out.str(), "Error: Too many sets[AddToSetStore]\n");
}

TEST(ClosingPrompt, NotUnderADebuggerNothingIsPrintedOrRead) {
  std::ostringstream out;
  std::istringstream in("first\nsecond\n");
  ClosingPrompt(out, in);
  EXPECT_EQ(out.str(), "");
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(rest, "first\nsecond\n");
}

TEST(ClosingPrompt, ThePromptReadsExactlyOneLine) {
  std::ostringstream out;
  std::istringstream in("typed text\nnext\n");
  PromptForReturn(out, in);
  EXPECT_EQ(out.str(), "press return to close DOS window\n");
  std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(rest, "next\n");
  // At the end of the input the prompt returns instead of waiting.
  std::istringstream empty;
  PromptForReturn(out, empty);
}

}  // namespace
}  // namespace modrask
