// The folder operations of TFolderWalk on a POSIX host, through the C library's
// directory, stat, unlink and fchdir calls.
#pragma once

#include "folderwalk.h"

namespace modrask {

class TPosixFolders final : public TFolderWalk {
 public:
  TPosixFolders() = default;

  // Lists through opendir/readdir; each entry is classified with lstat, and a symbolic
  // link once more with stat to see whether it leads to a file or a folder.
  bool ListEntries(std::vector<TFolderEntry>& Entries) override;
  // unlink: removes a link itself, never what it points to; never removes a folder.
  bool DeleteFile(const std::string& Name) override;
  // getcwd, which gives the real path (no symbolic links in it).
  bool GetCurrentFolder(std::string& Path) override;
  // open with O_NOFOLLOW and fchdir, so that a folder swapped for a link is not entered.
  bool SetCurrentFolder(const std::string& Path) override;
};

}  // namespace modrask
