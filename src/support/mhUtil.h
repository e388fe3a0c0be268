// Host services other than memory: file sizes, user settings, the tick
// counter, the debugger test, the local time and the fatal-error exit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace modrask {

// Size in bytes of the named file, or -1 when there is no such entry.
int64_t GetFileSize64(const std::string& name);

// Size in whole KiB (size div 1024); 0 for an empty file; -1 when missing;
// INT32_MAX for a file of 2 TiB or more.
int32_t FileSizeKB(const std::string& name);

// True when `name` is an existing file that is not a folder.
bool IsExistingFile(const std::string& name);

// A Boolean user setting, non-zero true; a missing setting gives `dflt`.
// On Windows it is the value `name` under HKEY_CURRENT_USER\Software\MODRASK
// (the key is created when missing), a 32-bit integer (REG_DWORD). Elsewhere
// "UseSparse" is read from MODRASK_USESPARSE and "FlashTaskBar" from
// MODRASK_FLASHTASKBAR, each a decimal 32-bit integer. A setting of any
// other type ends the process (exit code 1) with one line on standard output
// that names it.
bool ReadRegBool(std::string_view name, bool dflt);

// A 32-bit millisecond tick counter; differences taken as unsigned 32-bit
// values stay right across a wrap.
uint32_t GetTickCount32();

// True when a debugger (a tracer) is attached to the process.
bool DebuggerAttached();

// The local time of day in the user's long time format, for example
// 14:05:09 (on Windows the locale's, such as 2:05:09 PM).
std::string LocalTimeText();

// Ends the process on an error no operation turns into a message: the text
// on standard output, exit code 1.
[[noreturn]] void FatalError(std::string_view text);

// Start-up steps of the host, run once before the program's own work. They
// read "FlashTaskBar", so a setting of the wrong type ends the process here.
void HostStartup();

}  // namespace modrask
