// Two folders compared: the Header Array files of the same name in both,
// one at a time, the files in only one of them, and the other files
// counted and left alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "harinfo/hardiff.h"

namespace modrask::harinfo {

// One file in both folders: its comparison, or why it could not be made.
struct TFolderFile {
  std::string Name;  // relative to the folders, '/' between folder names
  bool Read = false;
  std::string Error;  // when not Read: "path: what is wrong"
  TFileDiff Diff;
};

struct TFolderDiff {
  std::vector<std::string> OnlyOld;  // relative names, sorted
  std::vector<std::string> OnlyNew;
  int64_t Ignored = 0;  // files that are no Header Array file, both sides
  int64_t Compared = 0;
  int64_t Differing = 0;
  int64_t Unreadable = 0;

  bool Equal() const {
    return OnlyOld.empty() && OnlyNew.empty() && Differing == 0 && Unreadable == 0;
  }
};

// Each file as it is compared; its values are released again after.
using TFileSink = std::function<void(const TFolderFile& file)>;

// A Header Array file by its name: .har, .sl4, .prm or .upd in any case.
bool IsHarFileName(const std::string& name);

// The path of file `rel` in folder `dir` as the user gave it: dir + "/" +
// rel (no second separator after a folder that ends in one).
std::string InFolder(const std::string& dir, const std::string& rel);

// Compares the folders' files (with `recursive` those of the subfolders
// too), names matched as the host matches them: exactly on POSIX, without
// regard to case on Windows. False with a message when a folder cannot be
// listed; a file that cannot be read counts as Unreadable and the rest are
// compared.
bool DiffFolders(const std::string& oldDir, const std::string& newDir, bool recursive,
                 const TDiffOptions& options, const TFileSink& onFile, TFolderDiff& result,
                 std::string& msg);

}  // namespace modrask::harinfo
