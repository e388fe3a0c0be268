// The cleanup command: `tidex /D` deletes the rebuildable products of the ZMD files in the
// current folder, `tidex /S` those in every folder below it as well, and both report each
// deletion and the number of files deleted.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "folderwalk.h"

namespace modrask {

// Folders more than this many levels deep (the starting folder being level 1) are not
// visited.
inline constexpr int MaxDepth = 100;

// Runs the command with Args (the arguments after the program name), writing every line
// to Out and doing all folder work through Walk. When Traced, one line of In is read and
// discarded before the end, so that a debugger's console stays open. The current folder
// is the starting one again when this returns. Returns the exit code: 0 after a run (also
// when some product could not be deleted), 1 for a wrong argument or when the walk lost
// its way back to a folder and had to stop.
int RunTidex(const std::vector<std::string>& Args, std::ostream& Out, std::istream& In, bool Traced,
             TFolderWalk& Walk);

}  // namespace modrask
