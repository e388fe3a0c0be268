#include "modrask/support/coding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace modrask {
namespace {

TEST(Coding, EncodesLittleEndian) {
  unsigned char b[4];
  EncodeFixed32(b, 0x04030201u);
  EXPECT_EQ(b[0], 1);
  EXPECT_EQ(b[1], 2);
  EXPECT_EQ(b[2], 3);
  EXPECT_EQ(b[3], 4);
  EXPECT_EQ(DecodeFixed32(b), 0x04030201u);
}

TEST(Coding, SignedAndRealRoundTrip) {
  unsigned char b[4];
  EncodeInt32(b, -2);
  EXPECT_EQ(b[0], 0xFE);
  EXPECT_EQ(b[3], 0xFF);
  EXPECT_EQ(DecodeInt32(b), -2);
  EncodeFloat(b, 1.0f);  // 0x3F800000
  EXPECT_EQ(b[0], 0x00);
  EXPECT_EQ(b[3], 0x3F);
  EXPECT_EQ(DecodeFloat(b), 1.0f);
  EncodeFloat(b, std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(std::isnan(DecodeFloat(b)));
}

TEST(Coding, RunsMatchSingleItems) {
  const int32_t values[3] = {1, -1, 0x12345678};
  unsigned char bytes[12];
  EncodeRun32(bytes, values, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(DecodeInt32(bytes + 4 * i), values[i]);
  int32_t back[3];
  DecodeRun32(back, bytes, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(back[i], values[i]);
}

}  // namespace
}  // namespace modrask
