// Lists the headers of a Header Array file, one line each: name, type,
// storage, dimensions and long name. A small program built on the installed
// Modrask library.
// Usage: harlist FILE
#include <cstdio>
#include <string>

#include <modrask/har/harread.h>
#include <modrask/records/lheyfile.h>
#include <modrask/support/version.h>

int main(int argc, char** argv) {
  using namespace modrask;
  if (argc != 2) {
    std::puts("usage: harlist FILE");
    return 1;
  }
  PHarData har;
  bool skipped = false;
  std::string msg;
  if (!ReadHarFile(argv[1], har, false, false, skipped, msg)) {
    std::printf("Error: %s\n", msg.c_str());
    return 1;
  }
  std::printf("Modrask %s: %d headers, %s\n", ModraskVersion, har->NHeads(),
              FlavourName(har->Flavour));
  for (const PHeaderRec& head : har->Heads) {
    // Strings x their length for character headers; otherwise the sizes,
    // dimension k being held in slot 8 - k.
    std::string dims;
    if (head->HeadType == "1C") {
      dims = std::to_string(head->NStrings);
      dims += 'x';
      dims += std::to_string(head->LenString);
    } else {
      for (int k = 1; k <= head->OrigNDim; ++k) {
        if (k > 1) dims += 'x';
        dims += std::to_string(head->Dims[8 - k]);
      }
    }
    std::printf("%s %s %s %-9s %s\n", head->Name.c_str(), head->HeadType.c_str(),
                head->StorageMethod.c_str(), dims.c_str(), head->LongName.c_str());
  }
  return 0;
}
