#include "modrask/support/memstat.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>

namespace modrask {
namespace {

// Physical memory in KiB as the kernel reports it in /proc/meminfo.
int64_t MemTotalKB() {
  std::ifstream info("/proc/meminfo");
  std::string key;
  int64_t value = 0;
  std::string unit;
  while (info >> key >> value >> unit) {
    if (key == "MemTotal:") return value;
  }
  return -1;
}

TEST(Memstat, StatusFigures) {
  TMemStatusKB ms;
  ms.MemoryLoad = -1;
  GetMemStatus(ms);
  const int64_t memTotal = MemTotalKB();
  ASSERT_GT(memTotal, 0);
  // sysconf and /proc/meminfo count the same pages; allow a page of rounding.
  EXPECT_NEAR(static_cast<double>(ms.TotalPhys), static_cast<double>(memTotal), 64.0);
  EXPECT_GE(ms.AvailPhys, 0);
  EXPECT_LE(ms.AvailPhys, ms.TotalPhys);
  EXPECT_GE(ms.MemoryLoad, 0);
  EXPECT_LE(ms.MemoryLoad, 100);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_AS, &limit), 0);
  if (limit.rlim_cur == RLIM_INFINITY) {
    EXPECT_EQ(ms.TotalVirtual, int64_t{1} << 37);  // 128 TiB of a 64-bit process
  } else {
    EXPECT_EQ(ms.TotalVirtual, static_cast<int64_t>(limit.rlim_cur / 1024));
  }
  EXPECT_EQ(ms.AvailVirtual, ms.TotalVirtual);
}

TEST(Memstat, AddressSpaceLimitBounds) {
  TMemStatusKB ms;
  GetMemStatus(ms);
  // Below physical memory the address-space limit decides; above it, physical memory.
  const int64_t smallKB = std::min<int64_t>(2000000, ms.TotalPhys / 2);
  const int64_t expectSmall = smallKB - 51200;
  EXPECT_EXIT(
      {
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = static_cast<rlim_t>(smallKB) * 1024;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) ::_exit(2);
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
        ::_exit(AvailMemKB() == expectSmall ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  const int64_t largeKB = ms.TotalPhys * 2;
  const int64_t expectLarge = ms.TotalPhys - 51200;
  EXPECT_EXIT(
      {
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < static_cast<rlim_t>(largeKB) * 1024)
          ::_exit(0);
        limit.rlim_cur = static_cast<rlim_t>(largeKB) * 1024;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) ::_exit(2);
        if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
        ::_exit(AvailMemKB() == expectLarge ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// Inside a scope the figure is the one taken when the outermost scope began,
// whatever the limit becomes; an override still wins; after the last scope
// ends the host is asked again.
TEST(Memstat, ScopeKeepsTheFigureItTook) {
  TMemStatusKB ms;
  GetMemStatus(ms);
  const int64_t smallKB = std::min<int64_t>(2000000, ms.TotalPhys / 2);
  EXPECT_EXIT(
      {
        const int64_t before = AvailMemKB();
        int bad = 0;
        {
          const TAvailMemScope outer;
          rlimit limit{};
          ::getrlimit(RLIMIT_AS, &limit);
          limit.rlim_cur = static_cast<rlim_t>(smallKB) * 1024;
          if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) ::_exit(2);
          if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(3);
          {
            const TAvailMemScope inner;
            bad |= AvailMemKB() != before ? 4 : 0;
          }
          bad |= AvailMemKB() != before ? 8 : 0;
          OverrideAvailMemKB(7);
          bad |= AvailMemKB() != 7 ? 16 : 0;
          OverrideAvailMemKB(std::nullopt);
        }
        bad |= AvailMemKB() != smallKB - MemReserveKB ? 32 : 0;
        ::_exit(bad);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace modrask
