// Fuzz target: harinfo's commands on arbitrary bytes; each ends with exit
// code 0, 1 or 2, and a file never differs from itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzzrun_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fault;
  if (!modrask::fuzz::InfoOne(data, size, fault)) {
    std::fprintf(stderr, "harinfo broken: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
