// The CSV pieces: quoting where RFC 4180 needs it, and numbers in the
// shortest decimal form that reads back as the same float.
#include "harinfo/csvout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <sstream>

#include "harinfo/jsonout.h"

namespace modrask::harinfo {
namespace {

TEST(CsvWriter, QuotesOnlyWhereNeeded) {
  std::ostringstream out;
  {
    TCsvWriter csv(out);
    for (const char* field : {"plain", "a,b", "say \"hi\"", "two\nlines", "cr\r", ""}) {
      csv.Field(field);
    }
    csv.EndRow();
    csv.FloatField(0.1f);
    csv.IntField(-7);
    csv.EndRow();
  }
  EXPECT_EQ(out.str(), "plain,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\r\",\n0.1,-7\n");
}

TEST(CsvWriter, ShortestFloatTextReadsBack) {
  const std::vector<std::pair<float, std::string>> cases{
      {0.1f, "0.1"},
      {1.0f / 3.0f, "0.33333334"},
      {1e10f, "1e+10"},
      {-0.0f, "-0"},
      {16777216.0f, "16777216"},
      {std::numeric_limits<float>::denorm_min(), "1e-45"},
  };
  for (const auto& [v, text] : cases) {
    EXPECT_EQ(FloatText(v), text);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), v) << text;
  }
}

}  // namespace
}  // namespace modrask::harinfo
