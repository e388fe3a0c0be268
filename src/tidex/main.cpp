#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "folderwalk.h"
#include "modrask/support/consolelines.h"
#include "modrask/support/mhUtil.h"
#include "tidex.h"

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  const std::unique_ptr<modrask::TFolderWalk> Walk = modrask::NewHostFolders();
  return modrask::RunTidex(Args, modrask::ConsoleOut(), std::cin, modrask::DebuggerAttached(),
                           *Walk);
}
