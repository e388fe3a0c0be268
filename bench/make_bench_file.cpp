// Makes large Header Array files for the benchmark with the project's own
// writer, shaped like the databases Mardex meets: some hundreds of sets
// defined by character headers, about a thousand labelled real arrays of 2 to
// 5 dimensions over them (two thirds dense, one third sparse at 1 % to 35 %),
// a few integer matrices and a history. The output is the same on every run.
//
// Usage: make_bench_file FILE [MIB] [--lahey]     about MIB MiB (default 1024)
//        make_bench_file FILE --many [--lahey]    10,050 small headers
//
// It prints the data the real arrays hold in memory (4 bytes per cell), in
// all and for the largest one, the figures the benchmark's memory limit is
// measured against.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "benchgen.h"
#include "modrask/har/harmodel.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/har/realwrite.h"
#include "modrask/records/lheyfile.h"

using namespace modrask;

namespace {

double MiB(int64_t bytes) {
  return static_cast<double>(bytes) / 1048576.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::puts("usage: make_bench_file FILE [MIB | --many] [--lahey]");
    return 1;
  }
  const std::string file = argv[1];
  double mib = 1024;
  bool many = false;
  bool lahey = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--many") == 0) {
      many = true;
    } else if (std::strcmp(argv[i], "--lahey") == 0) {
      lahey = true;
    } else {
      mib = std::atof(argv[i]);
      if (mib <= 0) {
        std::printf("bad size: %s\n", argv[i]);
        return 1;
      }
    }
  }
  THarData h;
  h.Flavour = lahey ? TFileFlavour::OldLahey : TFileFlavour::NewFujitsu;
  bench::TBenchTotals totals;
  std::string msg;
  const bool made = bench::MakeBenchData(h, mib * 1048576.0, many, totals, msg);
  if (!made || !AddHistoryLines(&h, {"Benchmark file made by make_bench_file"}, msg)) {
    std::printf("Error: %s\n", msg.c_str());
    return 1;
  }
  // The default user setting, whatever the environment says.
  const TWriteOptions options{.SparseThreshold = 60};
  if (!WriteHarFile(file, "make_bench_file", "00:00:00", &h, options, msg)) {
    std::printf("Error: %s\n", msg.c_str());
    return 1;
  }
  std::printf("file %s: %d headers, %d dense and %d sparse real arrays, %s framing\n", file.c_str(),
              h.NHeads(), totals.Dense, totals.Sparse, FlavourName(h.Flavour));
  std::printf("in_memory_bytes %lld (%.1f MiB, 4 bytes per array cell)\n",
              static_cast<long long>(4 * totals.Cells), MiB(4 * totals.Cells));
  std::printf("largest_header_bytes %lld (%.1f MiB)\n",
              static_cast<long long>(4 * totals.LargestCells), MiB(4 * totals.LargestCells));
  return 0;
}
