// Renaming a set while the file is read: each header goes to the output as
// soon as it has been read and checked, so the input is passed over once.
// The whole-file rename (ReadHarFile, StoreHARFileSets, RenameSetInHar,
// WriteHarFile) stays the judge: this pass either writes exactly what that
// run writes, or gives up and leaves nothing, and the caller then runs the
// whole-file rename, which says why it fails.
#pragma once

#include <cstdint>
#include <string>

#include "modrask/records/lheyfile.h"

namespace modrask {

// Why the pass gave up.
enum class TOnePassStop {
  None,     // it did not: the output is written
  Failure,  // what the whole-file run fails on or refuses: damage, a set
            // refusal, the memory estimate, a name, a failed write
  // A header names a set of the new name: unless its elements keep it out
  // of the set store, the rename is refused.
  NewNameInUse,
  // A header whose name begins with XX follows an ordinary one: the output
  // puts it first, which only a second reading can do.
  LateXXHeader,
};

struct TOnePassRename {
  TFileFlavour ReadFlavour = TFileFlavour::NewFujitsu;
  TFileFlavour WrittenFlavour = TFileFlavour::NewFujitsu;
  int32_t NHeads = 0;     // ordinary headers written
  int32_t NChanges = 0;   // as RenameSetInHar counts them
  bool SetFound = false;  // the file holds the set oldName (else no set of the name)
  TOnePassStop Stop = TOnePassStop::None;
};

// Renames the set oldName to newName throughout `input` into `output`, with
// the checks and refusals of Mardex's whole-file run: true when that run
// would succeed, and then the output holds the bytes it would write (stamped
// progName and dateText, written with `options`) and `result` what it would
// report. False on anything else, with Stop saying why: nothing is left at
// `output` (a file there keeps what it had) and the input is untouched.
// Memory is that of the whole-file run with its values left in the file.
bool RenameInOnePass(const std::string& input, const std::string& output,
                     const std::string& oldName, const std::string& newName,
                     const std::string& progName, const std::string& dateText,
                     const TWriteOptions& options, TOnePassRename& result);

}  // namespace modrask
