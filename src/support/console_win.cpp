// Standard output on Windows: binary mode, so that the C library adds no
// carriage returns of its own, and CR LF line ends from TCrLfBuf.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

#include "modrask/support/consolelines.h"

namespace modrask {

std::ostream& ConsoleOut() {
  static std::ostream& out = []() -> std::ostream& {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    static TCrLfBuf buf(std::cout.rdbuf());
    static std::ostream stream(&buf);
    return stream;
  }();
  return out;
}

}  // namespace modrask
