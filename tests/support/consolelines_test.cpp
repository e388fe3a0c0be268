// The line ends of the console: every line feed gets its carriage return,
// and a CR LF already in the text is never doubled.
#include "modrask/support/consolelines.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace modrask {
namespace {

std::string Through(const std::vector<std::string>& pieces) {
  std::ostringstream sink;
  TCrLfBuf buf(sink.rdbuf());
  std::ostream out(&buf);
  for (const std::string& p : pieces) out << p;
  out.flush();
  return sink.str();
}

TEST(ConsoleLines, LineFeedsGetCarriageReturns) {
  EXPECT_EQ(Through({"a\nb\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Through({"\n\n"}), "\r\n\r\n");
  EXPECT_EQ(Through({"no line end"}), "no line end");
  EXPECT_EQ(Through({""}), "");
}

TEST(ConsoleLines, CrLfInsideAMessageIsNotDoubled) {
  EXPECT_EQ(Through({"Error: \"1Z\" is not a legal set name: \r\nreason\n"}),
            "Error: \"1Z\" is not a legal set name: \r\nreason\r\n");
  // The CR and the LF in separate writes, and a CR written on its own.
  EXPECT_EQ(Through({"x\r", "\n", "y", "\n"}), "x\r\ny\r\n");
  EXPECT_EQ(Through({"a\rb\n"}), "a\rb\r\n");
  EXPECT_EQ(Through({"\r\r\n"}), "\r\r\n");
}

TEST(ConsoleLines, SingleCharactersAndLongRuns) {
  std::ostringstream sink;
  TCrLfBuf buf(sink.rdbuf());
  std::ostream out(&buf);
  out.put('a').put('\n').put('\r').put('\n') << '\n';
  EXPECT_EQ(sink.str(), "a\r\n\r\n\r\n");
  const std::string line(100000, 'z');
  EXPECT_EQ(Through({line + "\n" + line}), line + "\r\n" + line);
}

}  // namespace
}  // namespace modrask
