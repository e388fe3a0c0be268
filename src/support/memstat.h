// Memory figures of the host: how much the program allows itself for large
// arrays. Figures are in KiB (bytes div 1024).
#pragma once

#include <cstdint>
#include <optional>

namespace modrask {

struct TMemStatusKB {
  int64_t MemoryLoad = 0;  // percent of physical memory in use
  int64_t TotalPhys = 0;
  int64_t AvailPhys = 0;
  int64_t TotalPageFile = 0;
  int64_t AvailPageFile = 0;
  int64_t TotalVirtual = 0;  // the process's own address space
  int64_t AvailVirtual = 0;
};

// Fills `ms` with what the host can tell; never fails.
void GetMemStatus(TMemStatusKB& ms);

// The reserve kept back from the usable memory.
inline constexpr int64_t MemReserveKB = 51200;

// The smaller of AvailVirtual and TotalPhys, minus MemReserveKB; may be
// negative. An override set for testing or fuzzing replaces the host figure.
int64_t AvailMemKB();

// Replaces the host's usable-memory figure (KiB) until cleared with nullopt,
// for every thread of the process (a figure of the host, not of a file).
void OverrideAvailMemKB(std::optional<int64_t> kb);

// While one lives, AvailMemKB gives the host figure it had when the first of
// them was made, without asking the host again: for a reading that checks
// every array of a file (thousands of small ones) against the same limits.
// An override still comes first. Scopes nest and belong to the thread that
// made them: a scope in one thread leaves the figure of another alone.
class TAvailMemScope {
 public:
  TAvailMemScope();
  ~TAvailMemScope();
  TAvailMemScope(const TAvailMemScope&) = delete;
  TAvailMemScope& operator=(const TAvailMemScope&) = delete;
};

}  // namespace modrask
