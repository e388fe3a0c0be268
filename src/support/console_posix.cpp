// Standard output on POSIX systems: lines end with a line feed alone.
#include <iostream>

#include "modrask/support/consolelines.h"

namespace modrask {

std::ostream& ConsoleOut() {
  return std::cout;
}

}  // namespace modrask
