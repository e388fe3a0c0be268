// The name rules of the cleanup: which names are ZMD files and the product key of each.
#include "productnames.h"

#include <gtest/gtest.h>

#include <string>

namespace modrask {
namespace {

TEST(ProductNames, ZmdNamesAndProductKeys) {
  for (const std::string N : {"a.zmd", "A.ZMD", "a.Zmd", "x y.v2.zmd", "..zmd"}) {
    EXPECT_TRUE(IsZmdName(N)) << N;
  }
  for (const std::string N : {".zmd", "zmd", "a.zmdx", "a.zm", "azmd", "a.zmd ", ""}) {
    EXPECT_FALSE(IsZmdName(N)) << N;
  }
  EXPECT_EQ(ProductKey("My.Model.zmd", ".WUP"), "MY.MODEL.WUP");
  EXPECT_EQ(ProductKey("a.ZMD", ".qaw"), "A.QAW");
  EXPECT_EQ(UpperAscii("a-z{}\xe9"), "A-Z{}\xe9");
}

}  // namespace
}  // namespace modrask
