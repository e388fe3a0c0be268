#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "consolelines.h"
#include "folderwalk.h"
#include "tidex.h"
#include "tracercheck.h"

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  const std::unique_ptr<modrask::TFolderWalk> Walk = modrask::NewHostFolders();
  return modrask::RunTidex(Args, modrask::ConsoleOut(), std::cin, modrask::UnderDebugger(), *Walk);
}
