// The usable-memory figure on every host: the smaller of the address space
// left and physical memory, less the reserve, unless overridden.
#include "modrask/support/memstat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace modrask {
namespace {

TEST(Memstat, AvailableIsTheSmallerFigureLessTheReserve) {
  TMemStatusKB ms;
  GetMemStatus(ms);
  EXPECT_EQ(MemReserveKB, 51200);
  EXPECT_EQ(AvailMemKB(), std::min(ms.AvailVirtual, ms.TotalPhys) - 51200);
}

TEST(Memstat, OverrideReplacesTheHostFigureUntilCleared) {
  OverrideAvailMemKB(7823);
  EXPECT_EQ(AvailMemKB(), 7823);
  OverrideAvailMemKB(-10);
  EXPECT_EQ(AvailMemKB(), -10);
  OverrideAvailMemKB(std::nullopt);
  TMemStatusKB ms;
  GetMemStatus(ms);
  EXPECT_EQ(AvailMemKB(), std::min(ms.AvailVirtual, ms.TotalPhys) - 51200);
  EXPECT_NE(AvailMemKB(), -10);
}

}  // namespace
}  // namespace modrask
