// Mardex: renames one set everywhere in a Header Array file.
#include <iostream>
#include <string>
#include <vector>

#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "mardex/rename_run.h"
#include "modrask/records/lheyfile.h"
#include "modrask/support/consolelines.h"
#include "modrask/support/mhUtil.h"

int main(int argc, char** argv) {
  modrask::HostStartup();
  modrask::InitHarBuf();
  modrask::InitSparseThreshold();
  modrask::ForceDefaultFlavour = true;  // every output in the New Fujitsu framing
  const std::vector<std::string> args(argv + 1, argv + argc);
  return modrask::RunMardex(args, modrask::ConsoleOut());
}
