// Mardex: renames one set everywhere in a Header Array file.
#include <iostream>
#include <string>
#include <vector>

#include "har/harwrite.h"
#include "har/realwrite.h"
#include "mardex/rename_run.h"
#include "records/lheyfile.h"
#include "support/mhUtil.h"

int main(int argc, char** argv) {
  modrask::HostStartup();
  // The start-up consults FlashTaskBar; its desktop action has no
  // counterpart on this host, but a setting of the wrong type is refused.
  modrask::ReadRegBool("FlashTaskBar", false);
  modrask::InitHarBuf();
  modrask::InitSparseThreshold();
  modrask::ForceDefaultFlavour = true;  // every output in the New Fujitsu framing
  const std::vector<std::string> args(argv + 1, argv + argc);
  return modrask::RunMardex(args, std::cout);
}
