// The debugger test on Windows.
#include <windows.h>

#include "tracercheck.h"

namespace modrask {

bool UnderDebugger() {
  return IsDebuggerPresent() != 0;
}

}  // namespace modrask
