// Makes the seed corpus of the fuzz targets with the project's own writer.
// Usage: make_seeds FOLDER (the folder must exist)
#include <cstdio>
#include <string>
#include <vector>

#include "modrask/records/lheyfile.h"
#include "seeds_fixture.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::puts("usage: make_seeds FOLDER");
    return 1;
  }
  std::vector<std::string> files;
  std::string msg;
  if (!modrask::fuzz::MakeSeedFiles(argv[1], files, msg)) {
    std::printf("Error: %s\n", msg.c_str());
    return 1;
  }
  for (const std::string& f : files) std::printf("%s\n", f.c_str());
  return 0;
}
