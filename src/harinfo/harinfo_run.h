// The harinfo program after start-up: the command line, the command, its
// output and the exit code. Driven in-process by the tests.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace modrask::harinfo {

// Runs harinfo with `args` (without the program name), printing results to
// `out` and errors ("harinfo: " and the message) to `err`. Returns 0 on
// success (diff: the files are equal), 1 when diff found a difference, 2 on
// trouble.
int RunHarinfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace modrask::harinfo
