// Fuzz target: the whole rename run on arbitrary bytes, with the round trip
// of whatever was written, and the run with values left in the file against
// the run with every value in memory; a broken round trip or any difference
// between the two runs aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzzrun_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fault;
  if (!modrask::fuzz::RenameOne(data, size, fault)) {
    std::fprintf(stderr, "round trip broken: %s\n", fault.c_str());
    std::abort();
  }
  if (!modrask::fuzz::CompareWithOracle(data, size, fault)) {
    std::fprintf(stderr, "values left in the file differ from values in memory: %s\n",
                 fault.c_str());
    std::abort();
  }
  return 0;
}
