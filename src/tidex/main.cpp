#include <iostream>
#include <string>
#include <vector>

#include "posixfolders.h"
#include "tidex.h"
#include "tracercheck.h"

int main(int argc, char** argv) {
  const std::vector<std::string> Args(argv + 1, argv + argc);
  modrask::TPosixFolders Walk;
  return modrask::RunTidex(Args, std::cout, std::cin, modrask::UnderDebugger(), Walk);
}
