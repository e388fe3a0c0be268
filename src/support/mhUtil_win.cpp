// The host services on Windows.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modrask/support/mhUtil.h"

namespace modrask {

namespace {

// The key of the user settings under HKEY_CURRENT_USER.
constexpr const char* kSettingsKey = "Software\\MODRASK";

}  // namespace

int64_t GetFileSize64(const std::string& name) {
  if (name.empty()) return -1;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA(name.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return -1;
  // The search asks for every kind of entry (the attribute mask 0x3F:
  // read-only, hidden, system, volume label, folder, archive), so the first
  // entry found is the one.
  ::FindClose(search);
  return (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

int32_t FileSizeKB(const std::string& name) {
  const int64_t size = GetFileSize64(name);
  // Held at the largest figure from 2 TiB on: a wrapped, negative count
  // would read as a missing file.
  if (size > 0) return static_cast<int32_t>(size / 1024 < INT32_MAX ? size / 1024 : INT32_MAX);
  return static_cast<int32_t>(size);
}

bool IsExistingFile(const std::string& name) {
  if (name.empty()) return false;
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ReadRegBool(std::string_view name, bool dflt) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return dflt;
  }
  const std::string value(name);
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  const LSTATUS status =
      ::RegQueryValueExA(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  ::RegCloseKey(key);
  if (status == ERROR_FILE_NOT_FOUND) return dflt;
  if ((status != ERROR_SUCCESS && status != ERROR_MORE_DATA) || type != REG_DWORD ||
      size != sizeof data) {
    FatalError("User setting " + value + " in HKEY_CURRENT_USER\\" + kSettingsKey +
               " has the wrong type: it must be a 32-bit integer (REG_DWORD, 0 is false).");
  }
  return data != 0;
}

uint32_t GetTickCount32() {
  return ::GetTickCount();
}

bool DebuggerAttached() {
  return ::IsDebuggerPresent() != 0;
}

std::string LocalTimeText() {
  // No format given: the user's long time format.
  char text[80] = {};
  const int n = ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text);
  if (n <= 1) return std::string();
  return std::string(text, static_cast<size_t>(n - 1));
}

void FatalError(std::string_view text) {
  std::fflush(stdout);
  // Binary mode, as the console writer sets it: the line end is written as
  // it stands, also when this comes before the first console line.
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputs("\r\n", stdout);
  std::fflush(stdout);
  std::_Exit(1);
}

void HostStartup() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  const bool known = ::GetVersionExA(&version) != 0;
  const DWORD platform = version.dwPlatformId;
  const DWORD major = version.dwMajorVersion;
  const DWORD minor = version.dwMinorVersion;
  const bool consumer98 =
      platform == VER_PLATFORM_WIN32_WINDOWS && (major > 4 || (major == 4 && minor > 0));
  const bool nt2000 = platform == VER_PLATFORM_WIN32_NT && major > 4;
  // Let the program come to the foreground unless the user asked for the
  // taskbar to flash instead.
  if (known && (consumer98 || nt2000) && !ReadRegBool("FlashTaskBar", false)) {
    ::SystemParametersInfoA(0x2001 /* SPI_SETFOREGROUNDLOCKTIMEOUT */, 0, nullptr, 0);
  }
  if (known && platform == VER_PLATFORM_WIN32_NT && major >= 5) {
    ::SystemParametersInfoA(0x100B /* SPI_SETKEYBOARDCUES */, 0, reinterpret_cast<PVOID>(TRUE), 0);
  }
  // Existing files are opened read-only: the record layer asks for that
  // itself at every open (GENERIC_READ), so there is no default to change.
}

}  // namespace modrask
