// harinfo's command line: a command word, its operands and the options,
// in any order.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "harinfo/diffoptions.h"

namespace modrask::harinfo {

enum class TCommand { List, Sets, Show, Csv, History, Diff, View };

struct TInfoArgs {
  TCommand Command = TCommand::List;
  std::vector<std::string> Operands;  // FILE, FILE HEADER, OLD NEW, or FILE [OTHER]
  bool Json = false;
  bool NonZero = false;
  bool All = false;  // diff: the equal headers too
  TDiffOptions Diff;  // diff: tolerances and cells
  bool DiffOptionGiven = false;
  bool Recursive = false;  // diff of folders: the subfolders too
  bool Detail = false;     // diff of folders: each file's headers
  int Port = -1;  // view: -1 when not given
  bool NoBrowser = false;
};

// Parses `args` (without the program name). Returns -1 when a command is to
// run, with `a` filled in; otherwise the exit code of a run that already
// ended: 0 after printing the help or the version to `out`, ExitTrouble
// after printing "harinfo: " and what is wrong to `err`.
int ParseInfoArgs(const std::vector<std::string>& args, TInfoArgs& a, std::ostream& out,
                  std::ostream& err);

}  // namespace modrask::harinfo
