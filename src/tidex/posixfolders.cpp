#include "posixfolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>

namespace modrask {

namespace {

TEntryKind KindOf(const int DirFd, const char* Name) {
  struct stat St {};
  if (fstatat(DirFd, Name, &St, AT_SYMLINK_NOFOLLOW) != 0) return TEntryKind::Other;
  if (S_ISREG(St.st_mode)) return TEntryKind::File;
  if (S_ISDIR(St.st_mode)) return TEntryKind::Folder;
  if (!S_ISLNK(St.st_mode)) return TEntryKind::Other;
  if (fstatat(DirFd, Name, &St, 0) != 0) return TEntryKind::Other;  // dangling link
  if (S_ISREG(St.st_mode)) return TEntryKind::File;
  if (S_ISDIR(St.st_mode)) return TEntryKind::LinkedFolder;
  return TEntryKind::Other;
}

}  // namespace

bool TPosixFolders::ListEntries(std::vector<TFolderEntry>& Entries) {
  Entries.clear();
  DIR* const Dir = opendir(".");
  if (Dir == nullptr) return false;
  const int DirFd = dirfd(Dir);
  while (const dirent* const Ent = readdir(Dir)) {
    if (Ent->d_name[0] == '.') continue;  // hidden, and "." and ".."
    Entries.push_back(TFolderEntry{Ent->d_name, KindOf(DirFd, Ent->d_name)});
  }
  closedir(Dir);
  return true;
}

bool TPosixFolders::DeleteFile(const std::string& Name) {
  return unlink(Name.c_str()) == 0;
}

bool TPosixFolders::GetCurrentFolder(std::string& Path) {
  std::string Buf(PATH_MAX, '\0');
  while (getcwd(Buf.data(), Buf.size()) == nullptr) {
    if (errno != ERANGE || Buf.size() > (1u << 20)) return false;
    Buf.resize(Buf.size() * 2);
  }
  Buf.resize(Buf.find('\0'));
  Path = Buf;
  return true;
}

bool TPosixFolders::SetCurrentFolder(const std::string& Path) {
#ifdef O_PATH
  const int Flags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;  // needs no read right
#else
  const int Flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif
  const int Fd = open(Path.c_str(), Flags);
  if (Fd < 0) return false;
  const bool Ok = fchdir(Fd) == 0;
  close(Fd);
  return Ok;
}

std::unique_ptr<TFolderWalk> NewHostFolders() {
  return std::make_unique<TPosixFolders>();
}

std::string JoinFolderPath(const std::string& Folder, const std::string& Name) {
  if (!Folder.empty() && Folder.back() == '/') return Folder + Name;  // the root
  return Folder + "/" + Name;
}

}  // namespace modrask
