// Memory figures on POSIX systems: physical memory from sysconf, the address
// space from the process's RLIMIT_AS when one is set.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>

#include "support/memstat.h"

namespace modrask {

namespace {

// A 64-bit process's address space (128 TiB), used when no limit is set.
constexpr int64_t kAddressSpaceKB = int64_t{1} << 37;

int64_t PagesKB(int name) {
  const long pages = ::sysconf(name);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<int64_t>(pages) * (pageSize / 1024);
}

}  // namespace

void GetMemStatus(TMemStatusKB& ms) {
  ms = TMemStatusKB{};
  ms.TotalPhys = PagesKB(_SC_PHYS_PAGES);
  ms.AvailPhys = PagesKB(_SC_AVPHYS_PAGES);
  if (ms.TotalPhys > 0) ms.MemoryLoad = 100 - (100 * ms.AvailPhys) / ms.TotalPhys;
  rlimit limit{};
  int64_t spaceKB = kAddressSpaceKB;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    spaceKB = static_cast<int64_t>(limit.rlim_cur / 1024);
  }
  ms.TotalVirtual = spaceKB;
  ms.AvailVirtual = spaceKB;  // the host does not tell what is in use
}

}  // namespace modrask
