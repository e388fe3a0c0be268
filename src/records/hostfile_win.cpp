// The file calls of ByteFile on Windows, through the Win32 file API. Files
// are opened in binary form always: the handles know no text mode.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "modrask/records/hostfile.h"

namespace modrask {
namespace {

HANDLE Handle(HostHandle h) {
  return reinterpret_cast<HANDLE>(h);
}
HostHandle Wrap(HANDLE h) {
  return reinterpret_cast<HostHandle>(h);
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/' || c == ':';
}

// Temporary files being written, for the console control handler, which
// runs on a thread of its own: the host layer's own registry, the one state
// of the process it keeps. A thread claims a free slot (kSlotFree to
// kSlotFilling), writes its path and marks it kSlotWatched; the handler
// reads only watched slots.
constexpr int kSlots = 16;
constexpr size_t kPathMax = MAX_PATH + 1;
constexpr int kSlotFree = 0, kSlotFilling = 1, kSlotWatched = 2;
char g_tempPaths[kSlots][kPathMax];
std::atomic<int> g_slotState[kSlots];
std::atomic<bool> g_handlerInstalled{false};

BOOL WINAPI OnConsoleControl(DWORD) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_slotState[i].load() == kSlotWatched) ::DeleteFileA(g_tempPaths[i]);
  }
  static const char kText[] = "Interrupted: output not written\r\n";
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), kText, sizeof kText - 1, &written, nullptr);
  ::ExitProcess(1);
}

}  // namespace

bool HostOpenRead(const std::string& name, HostHandle& h, int64_t& size) {
  // Read-only, and others may go on reading and writing: the file is left
  // as it is.
  const HANDLE f = ::CreateFileA(
      name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(f, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ::CloseHandle(f);
    return false;
  }
  h = Wrap(f);
  size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

bool HostHandleIdentity(HostHandle h, HostFileIdentity& id) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(Handle(h), &info)) return false;
  id.Device = info.dwVolumeSerialNumber;
  id.Inode = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.Size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const uint64_t t = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                     info.ftLastWriteTime.dwLowDateTime;
  id.DataTime = static_cast<int64_t>(t) * 100;
  id.StatusTime = 0;
  return true;
}

bool HostPathIdentity(const std::string& name, HostFileIdentity& id) {
  // No access asked for: only the file's information is read.
  const HANDLE f = ::CreateFileA(name.c_str(), 0,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  const bool ok = HostHandleIdentity(Wrap(f), id);
  ::CloseHandle(f);
  return ok;
}

int64_t HostReadAt(HostHandle h, int64_t pos, void* dst, int64_t n) {
  const DWORD want = static_cast<DWORD>(std::min<int64_t>(n, 1 << 30));
  DWORD got = 0;
  OVERLAPPED at{};  // on a handle opened for synchronous use: read at this offset
  at.Offset = static_cast<DWORD>(static_cast<uint64_t>(pos) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(pos) >> 32);
  if (!::ReadFile(Handle(h), dst, want, &got, &at)) {
    return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  }
  return got;
}

bool HostWriteAll(HostHandle h, const uint8_t* src, int64_t n) {
  while (n > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<int64_t>(n, 1 << 30));
    DWORD written = 0;
    if (!::WriteFile(Handle(h), src, chunk, &written, nullptr) || written == 0) return false;
    src += written;
    n -= written;
  }
  return true;
}

bool HostWriteGather(HostHandle, const HostPiece*, int, bool& unsupported) {
  unsupported = true;  // gathered through the writer's buffer instead
  return false;
}

bool HostCopyRange(HostHandle, int64_t, HostHandle, int64_t, int64_t& copied, bool& unsupported) {
  copied = 0;
  unsupported = true;  // copied through the writer's buffer instead
  return false;
}

void HostStartWriteback(HostHandle, int64_t, int64_t) {}  // no such hint here

bool HostSync(HostHandle h) {
  return ::FlushFileBuffers(Handle(h)) != 0;
}

bool HostClose(HostHandle h) {
  return ::CloseHandle(Handle(h)) != 0;
}

bool HostOutputTarget(const std::string& name, std::string& finalPath, int64_t& keep,
                      bool& exists) {
  finalPath = name;
  keep = -1;
  exists = false;
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;  // nothing there yet
  // A folder is in the way; a read-only file cannot be replaced, as it could
  // not be emptied for writing either.
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
  exists = true;
  return true;
}

std::string HostFolderOf(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsSeparator(path[i - 1])) --i;
  return path.substr(0, i);
}

std::string HostTempName(const std::string& folder, unsigned counter) {
  return folder + "~mrtmp" + std::to_string(::GetCurrentProcessId()) + "_" +
         std::to_string(counter) + ".tmp";
}

bool HostCreateNew(const std::string& path, int64_t, HostHandle& h, bool& exists) {
  exists = false;
  const HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return false;
  }
  h = Wrap(f);
  return true;
}

bool HostReplace(const std::string& temp, const std::string& finalPath) {
  // MoveFileEx replaces in one step; it fails, leaving the old file whole,
  // while that file is open, even by this process.
  return ::MoveFileExA(temp.c_str(), finalPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void HostSyncFolder(const std::string&) {
  // MOVEFILE_WRITE_THROUGH has made the rename durable.
}

void HostRemove(const std::string& path) {
  ::DeleteFileA(path.c_str());
}

std::string HostErrorText() {
  const DWORD error = ::GetLastError();
  char text[512] = {};
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  if (s.empty()) s = "system error " + std::to_string(error);
  return s;
}

int HostWatchTemp(const std::string& path) {
  if (!g_handlerInstalled.exchange(true)) ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  if (path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kSlotFree;
    if (!g_slotState[i].compare_exchange_strong(expected, kSlotFilling)) continue;
    std::memcpy(g_tempPaths[i], path.c_str(), path.size() + 1);
    g_slotState[i].store(kSlotWatched);  // only once the path is complete
    return i;
  }
  return -1;
}

void HostUnwatchTemp(int slot) {
  if (slot >= 0) g_slotState[slot].store(kSlotFree);
}

}  // namespace modrask
