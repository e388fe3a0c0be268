// Memory figures on POSIX systems: physical memory from sysconf, the address
// space from the process's RLIMIT_AS when one is set.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "modrask/support/memstat.h"
#include "modrask/support/memstat_host.h"

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

// The address space the process may use: its RLIMIT_AS, when one is set.
int64_t AddressSpaceKB() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    return static_cast<int64_t>(limit.rlim_cur / 1024);
  return kAddressSpaceKB;
}

}  // namespace

void GetMemStatus(TMemStatusKB& ms) {
  ms = TMemStatusKB{};
  ms.TotalPhys = PagesKB(_SC_PHYS_PAGES);
  ms.AvailPhys = PagesKB(_SC_AVPHYS_PAGES);
  if (ms.TotalPhys > 0) ms.MemoryLoad = 100 - (100 * ms.AvailPhys) / ms.TotalPhys;
  ms.TotalVirtual = AddressSpaceKB();
  ms.AvailVirtual = ms.TotalVirtual;  // the host does not tell what is in use
}

// Called for every array allocated, so it asks the host only for what can
// change while the program runs: the address-space limit. The physical
// memory of the machine is asked for once.
int64_t HostAvailMemKB() {
  static const int64_t totalPhysKB = PagesKB(_SC_PHYS_PAGES);
  return std::min(AddressSpaceKB(), totalPhysKB) - MemReserveKB;
}

}  // namespace modrask
