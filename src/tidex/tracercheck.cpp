#include "tracercheck.h"

#include <fstream>
#include <string>

namespace modrask {

bool UnderDebugger() {
  std::ifstream Status("/proc/self/status");
  const std::string Key = "TracerPid:";
  std::string Line;
  while (std::getline(Status, Line)) {
    if (Line.compare(0, Key.size(), Key) != 0) continue;
    for (std::size_t I = Key.size(); I < Line.size(); ++I) {
      if (Line[I] >= '1' && Line[I] <= '9') return true;  // any non-zero digit
    }
    return false;
  }
  return false;
}

}  // namespace modrask
