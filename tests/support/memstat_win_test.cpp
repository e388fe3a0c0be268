// Memory figures on Windows against the system's own report.
#include <gtest/gtest.h>
#include <windows.h>

#include "modrask/support/memstat.h"

namespace modrask {
namespace {

TEST(MemstatWin, FiguresAreTheExtendedStatusInKiB) {
  TMemStatusKB ms;
  ms.MemoryLoad = -1;
  GetMemStatus(ms);
  MEMORYSTATUSEX st{};
  st.dwLength = sizeof st;
  ASSERT_TRUE(GlobalMemoryStatusEx(&st));
  // Fixed totals must agree exactly; figures of memory in use may move a little.
  EXPECT_EQ(ms.TotalPhys, static_cast<int64_t>(st.ullTotalPhys / 1024));
  EXPECT_EQ(ms.TotalPageFile, static_cast<int64_t>(st.ullTotalPageFile / 1024));
  EXPECT_EQ(ms.TotalVirtual, static_cast<int64_t>(st.ullTotalVirtual / 1024));
  EXPECT_GE(ms.MemoryLoad, 0);
  EXPECT_LE(ms.MemoryLoad, 100);
  EXPECT_GT(ms.AvailPhys, 0);
  EXPECT_LE(ms.AvailPhys, ms.TotalPhys);
  EXPECT_GT(ms.AvailVirtual, 0);
  EXPECT_LE(ms.AvailVirtual, ms.TotalVirtual);
  // A 64-bit process has far more address space than 4 GiB: the 64-bit call was used.
  EXPECT_GT(ms.TotalVirtual, int64_t{4} << 20);
}

}  // namespace
}  // namespace modrask
