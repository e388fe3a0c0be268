// Memory figures on Windows: GlobalMemoryStatusEx, looked up by name in
// kernel32 at every call, else the older GlobalMemoryStatus.
#include <windows.h>

#include <algorithm>

#include "modrask/support/memstat.h"
#include "modrask/support/memstat_host.h"

namespace modrask {

namespace {

using TGlobalMemoryStatusEx = BOOL(WINAPI*)(LPMEMORYSTATUSEX);

static_assert(sizeof(MEMORYSTATUSEX) == 64, "the extended memory status has 64 bytes");

TGlobalMemoryStatusEx LookUpStatusEx() {
  const HMODULE kernel = ::GetModuleHandleA("kernel32");
  if (kernel == nullptr) return nullptr;
  // Through a plain function pointer type, which any function type converts to.
  const auto entry = reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "GlobalMemoryStatusEx"));
  return reinterpret_cast<TGlobalMemoryStatusEx>(entry);
}

int64_t KiB(DWORDLONG bytes) {
  return static_cast<int64_t>(bytes / 1024);
}

}  // namespace

void GetMemStatus(TMemStatusKB& ms) {
  ms = TMemStatusKB{};
  if (const TGlobalMemoryStatusEx statusEx = LookUpStatusEx()) {
    MEMORYSTATUSEX st{};
    st.dwLength = sizeof st;
    if (statusEx(&st)) {
      ms.MemoryLoad = st.dwMemoryLoad;
      ms.TotalPhys = KiB(st.ullTotalPhys);
      ms.AvailPhys = KiB(st.ullAvailPhys);
      ms.TotalPageFile = KiB(st.ullTotalPageFile);
      ms.AvailPageFile = KiB(st.ullAvailPageFile);
      ms.TotalVirtual = KiB(st.ullTotalVirtual);
      ms.AvailVirtual = KiB(st.ullAvailVirtual);
      return;
    }
  }
  // The counts of the older call are as wide as a pointer.
  MEMORYSTATUS st{};
  st.dwLength = sizeof st;
  ::GlobalMemoryStatus(&st);
  ms.MemoryLoad = st.dwMemoryLoad;
  ms.TotalPhys = static_cast<int64_t>(st.dwTotalPhys >> 10);
  ms.AvailPhys = static_cast<int64_t>(st.dwAvailPhys >> 10);
  ms.TotalPageFile = static_cast<int64_t>(st.dwTotalPageFile >> 10);
  ms.AvailPageFile = static_cast<int64_t>(st.dwAvailPageFile >> 10);
  ms.TotalVirtual = static_cast<int64_t>(st.dwTotalVirtual >> 10);
  ms.AvailVirtual = static_cast<int64_t>(st.dwAvailVirtual >> 10);
}

int64_t HostAvailMemKB() {
  TMemStatusKB ms;
  GetMemStatus(ms);
  return std::min(ms.AvailVirtual, ms.TotalPhys) - MemReserveKB;
}

}  // namespace modrask
