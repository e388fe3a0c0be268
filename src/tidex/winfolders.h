// The folder operations of TFolderWalk on Windows, through FindFirstFileA,
// FindNextFileA, DeleteFileA, GetCurrentDirectoryA and SetCurrentDirectoryA.
#pragma once

#include "folderwalk.h"

namespace modrask {

class TWinFolders final : public TFolderWalk {
 public:
  TWinFolders() = default;

  // Lists "*" of the current folder; hidden and system entries are left out, as are "."
  // and "..". A folder that is a reparse point (a junction or a link) is a LinkedFolder.
  bool ListEntries(std::vector<TFolderEntry>& Entries) override;
  // DeleteFileA: fails for a read-only file and for a folder.
  bool DeleteFile(const std::string& Name) override;
  bool GetCurrentFolder(std::string& Path) override;
  // SetCurrentDirectoryA; a folder that is a reparse point is not entered.
  bool SetCurrentFolder(const std::string& Path) override;
};

}  // namespace modrask
