// The rename run of Mardex: from the four command-line arguments to the
// written output file, with every report on the way. The run writes to a
// sink and returns the exit code, so it can be driven in-process.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask {

// Reads the named Header Array file into harData (nil on entry), the values
// checked but left in the file (TValueReading::Check), and prints
// one line: "Opened HAR file " name "     flavour: " and the framing. False
// after printing why it failed: the file does not exist, is not a record
// file of either framing, or cannot be read (the reader's message on the
// line below). harData stays nil on failure; on success the caller owns it.
bool OpenHarFile(std::ostream& out, PHarData& harData, const std::string& fileName,
                 std::string& msg);

// Prints how many ordinary headers went to the named file and in which
// framing (the framing harData now holds).
void ReportTransfer(std::ostream& out, const THarData& harData, const std::string& fileName);

// How the rename run writes and whether it reads the input once.
struct TMardexOptions {
  // Every output in the New Fujitsu framing; the sparse threshold of the
  // library's default until the program reads the user's (MardexStartOptions).
  TWriteOptions Write{.ForceDefaultFlavour = true};
  // True: the run first tries the rename that reads the input once
  // (renamepass.h) and falls back on the whole-file run when that gives up;
  // false: the whole-file run alone. The output and report are the same.
  bool OnePass = true;
};

// The options the program runs with: the defaults and the user's setting
// "UseSparse" (UserSparseThreshold).
TMardexOptions MardexStartOptions();

// The whole program after start-up: `args` are the command-line arguments
// without the program name (OLD.HAR NEW.HAR REGION ZONE). Returns the exit
// code: 0 on success, including a run that only warned that the old set is
// absent; 1 on every failure. The first form takes TMardexOptions' defaults.
int RunMardex(const std::vector<std::string>& args, std::ostream& out);
int RunMardex(const std::vector<std::string>& args, const TMardexOptions& options,
              std::ostream& out);

}  // namespace modrask
