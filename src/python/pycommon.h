// What every binding file shares: the exception Python sees as HarError, and
// the lock that keeps the library to one thread at a time.
#pragma once

#include <mutex>
#include <stdexcept>
#include <string>

namespace modrask::python {

// Thrown with the library's message (tags included); the module registers
// it as modrask.HarError.
class THarError : public std::runtime_error {
 public:
  explicit THarError(const std::string& msg) : std::runtime_error(msg) {}
};

// Held, with the GIL released, around every call into the library: the
// record buffer and the writer's settings are shared by the whole process.
std::mutex& LibraryLock();

}  // namespace modrask::python
