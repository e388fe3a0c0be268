#include "tidex/tidex_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace modrask::test {

namespace fs = std::filesystem;

void TTempTree::File(const std::string& Rel) const {
  std::ofstream Out(Path(Rel));
  Out << "product of a model run\n";
  if (!Out) throw std::runtime_error("cannot create " + Rel);
}

void TTempTree::Folder(const std::string& Rel) const {
  fs::create_directories(Path(Rel));
}

bool TTempTree::Exists(const std::string& Rel) const {
  std::error_code Ec;
  return fs::exists(fs::symlink_status(Path(Rel), Ec));
}

std::vector<std::string> TTempTree::Names(const std::string& Rel) const {
  std::vector<std::string> Out;
  for (const fs::directory_entry& E : fs::directory_iterator(Path(Rel))) {
    Out.push_back(E.path().filename().string());
  }
  std::sort(Out.begin(), Out.end());
  return Out;
}

std::vector<std::string> UsageLines(const std::string& Message) {
  std::vector<std::string> L;
  if (!Message.empty()) L.push_back("Error: " + Message);
  L.push_back("Tidex:  deletes rebuildable products of ZMD files (to save space)");
  L.push_back("Usage:  TIDEX /D");
  L.push_back("Action: for each ZMD file in current folder,");
  L.push_back("   deletes files of same name with the following extensions (suffixes):");
  L.push_back("     .WUP .QOJ .JEB .VUX .KIB .DAV .HUK .GUV .SOG .YAL .ZOB .NUR .QAW ");
  L.push_back("Option: TIDEX  /S");
  L.push_back("   Works as above in current folder AND ALL SUBFOLDERS.");
  return L;
}

}  // namespace modrask::test
