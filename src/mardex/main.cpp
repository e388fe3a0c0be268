// Mardex: renames one set everywhere in a Header Array file.
#include <iostream>
#include <string>
#include <vector>

#include "mardex/rename_run.h"
#include "modrask/support/consolelines.h"
#include "modrask/support/mhUtil.h"

int main(int argc, char** argv) {
  modrask::HostStartup();
  const std::vector<std::string> args(argv + 1, argv + argc);
  return modrask::RunMardex(args, modrask::MardexStartOptions(), modrask::ConsoleOut());
}
