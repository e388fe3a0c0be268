#include "winfolders.h"

#include <windows.h>
// The header names DeleteFile as a macro for DeleteFileA; here it is our method.
#undef DeleteFile

#include <memory>

namespace modrask {

namespace {

constexpr DWORD kLeftOut = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

TEntryKind KindOf(const DWORD Attributes) {
  if ((Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return TEntryKind::File;
  if ((Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return TEntryKind::LinkedFolder;
  return TEntryKind::Folder;
}

}  // namespace

bool TWinFolders::ListEntries(std::vector<TFolderEntry>& Entries) {
  Entries.clear();
  WIN32_FIND_DATAA Found{};
  const HANDLE Search = FindFirstFileA("*", &Found);
  if (Search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::string Name = Found.cFileName;
    if ((Found.dwFileAttributes & kLeftOut) != 0 || Name == "." || Name == "..") continue;
    Entries.push_back(TFolderEntry{Name, KindOf(Found.dwFileAttributes)});
  } while (FindNextFileA(Search, &Found));
  FindClose(Search);
  return true;
}

bool TWinFolders::DeleteFile(const std::string& Name) {
  return DeleteFileA(Name.c_str()) != 0;
}

bool TWinFolders::GetCurrentFolder(std::string& Path) {
  const DWORD Needed = GetCurrentDirectoryA(0, nullptr);
  if (Needed == 0) return false;
  std::string Buf(Needed, '\0');
  const DWORD Got = GetCurrentDirectoryA(Needed, Buf.data());
  if (Got == 0 || Got >= Needed) return false;
  Buf.resize(Got);
  Path = Buf;
  return true;
}

bool TWinFolders::SetCurrentFolder(const std::string& Path) {
  const DWORD Attributes = GetFileAttributesA(Path.c_str());
  if (Attributes == INVALID_FILE_ATTRIBUTES || (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  return SetCurrentDirectoryA(Path.c_str()) != 0;
}

std::unique_ptr<TFolderWalk> NewHostFolders() {
  return std::make_unique<TWinFolders>();
}

// Cur + "\" + Name, also at a drive's root, where Cur already ends with the separator.
std::string JoinFolderPath(const std::string& Folder, const std::string& Name) {
  return Folder + "\\" + Name;
}

}  // namespace modrask
