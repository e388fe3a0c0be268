// Fuzz target: the whole rename run on arbitrary bytes, with the round trip
// of whatever was written; a broken round trip aborts.
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
  return 0;
}
