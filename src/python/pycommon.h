// What every binding file shares: the exception Python sees as HarError, and
// the writing options of the module.
#pragma once

#include <stdexcept>
#include <string>

#include "modrask/records/lheyfile.h"

namespace modrask::python {

// Thrown with the library's message (tags included); the module registers
// it as modrask.HarError.
class THarError : public std::runtime_error {
 public:
  explicit THarError(const std::string& msg) : std::runtime_error(msg) {}
};

// Mardex's writing options: the sparse threshold of "UseSparse", every
// output in the New Fujitsu framing. Read once, when the module is imported.
const TWriteOptions& ModuleWriteOptions();

}  // namespace modrask::python
