// The folder operations the cleanup needs, behind one interface so that each host
// supplies its own: listing the current folder, deleting a file in it, and reading and
// changing the current folder. The POSIX version is TPosixFolders (posixfolders.h), the
// Windows version TWinFolders (winfolders.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace modrask {

// What a listed entry is. A symbolic link counts as what it points to when that is an
// ordinary file; a link to a folder is a LinkedFolder, which the cleanup never enters.
enum class TEntryKind { File, Folder, LinkedFolder, Other };

struct TFolderEntry {
  std::string Name;  // the name within its folder, without any path
  TEntryKind Kind = TEntryKind::Other;
};

class TFolderWalk {
 public:
  TFolderWalk() = default;
  TFolderWalk(const TFolderWalk&) = delete;
  TFolderWalk& operator=(const TFolderWalk&) = delete;
  virtual ~TFolderWalk() = default;

  // Fills Entries with the visible entries of the current folder, in no particular order;
  // hidden entries (on POSIX hosts, names that begin with "."; on Windows, entries marked
  // hidden or system) are left out, and so are "." and "..". True on success; false when the folder
  // cannot be read, Entries then being empty.
  virtual bool ListEntries(std::vector<TFolderEntry>& Entries) = 0;

  // Deletes the file Name of the current folder. True when it is gone.
  virtual bool DeleteFile(const std::string& Name) = 0;

  // Sets Path to the full path of the current folder. True on success.
  virtual bool GetCurrentFolder(std::string& Path) = 0;

  // Makes Path (full, or relative to the current folder) the current folder. A symbolic
  // link as the last part of Path is not followed: the call then fails. True on success;
  // on failure the current folder is unchanged.
  virtual bool SetCurrentFolder(const std::string& Path) = 0;
};

// The folder operations of the host the program is built for.
std::unique_ptr<TFolderWalk> NewHostFolders();

// The full name of Name in Folder, joined with the host's separator: "/" (the root "/"
// gets no second one) or "\" (always added, so that at a drive's root it is doubled).
std::string JoinFolderPath(const std::string& Folder, const std::string& Name);

}  // namespace modrask
