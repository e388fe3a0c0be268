// harinfo: lists, shows, exports and compares Header Array files.
#include <iostream>
#include <string>
#include <vector>

#include "harinfo/harinfo_run.h"
#include "modrask/records/lheyfile.h"
#include "modrask/support/consolelines.h"
#include "modrask/support/mhUtil.h"

int main(int argc, char** argv) {
  modrask::HostStartup();
  modrask::InitHarBuf();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return modrask::harinfo::RunHarinfo(args, modrask::ConsoleOut(), std::cerr);
}
