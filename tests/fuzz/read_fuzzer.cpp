// Fuzz target: arbitrary bytes read as a whole Header Array file. The reader
// detects the framing itself, so one target covers both.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzzrun_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string msg;
  modrask::fuzz::ReadOne(data, size, msg);
  return 0;
}
