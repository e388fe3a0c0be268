// Fuzz target: the viewer's request handling from the Host and target on;
// every request gets a 2xx or 4xx answer, and a JSON answer parses.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "viewrun_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string fault;
  if (!modrask::fuzz::ViewOne(data, size, fault)) {
    std::fprintf(stderr, "view broken: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
