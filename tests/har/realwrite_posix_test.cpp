// The "UseSparse" user setting on POSIX hosts, read from MODRASK_USESPARSE.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "modrask/har/realwrite.h"

namespace modrask {
namespace {

TEST(RealWriteSetting, UseSparseSettingSetsThreshold) {
  const char* old = getenv("MODRASK_USESPARSE");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  unsetenv("MODRASK_USESPARSE");
  EXPECT_EQ(UserSparseThreshold(), 60);
  setenv("MODRASK_USESPARSE", "0", 1);
  EXPECT_EQ(UserSparseThreshold(), 100);
  setenv("MODRASK_USESPARSE", "1", 1);
  EXPECT_EQ(UserSparseThreshold(), 60);
  if (saved)
    setenv("MODRASK_USESPARSE", saved->c_str(), 1);
  else
    unsetenv("MODRASK_USESPARSE");
}

}  // namespace
}  // namespace modrask
