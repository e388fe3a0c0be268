// The host's file calls under ByteFile: one implementation per host,
// hostfile_posix.cpp or hostfile_win.cpp, chosen by the build. A file is a
// HostHandle; NoHandle stands for none.
#pragma once

#include <cstdint>
#include <string>

#include "modrask/records/hostpiece.h"

namespace modrask {

using HostHandle = intptr_t;
inline constexpr HostHandle NoHandle = -1;

// Opens an existing file read-only. False when it cannot be opened or is a
// folder; otherwise `size` is its size in bytes.
bool HostOpenRead(const std::string& name, HostHandle& h, int64_t& size);

// Reads up to n bytes from byte `pos`; the count that arrived, 0 at the end
// of the file, -1 when the system reports an error (HostErrorText tells
// which).
int64_t HostReadAt(HostHandle h, int64_t pos, void* dst, int64_t n);

// Writes all n bytes; false on any failure the system reports.
bool HostWriteAll(HostHandle h, const uint8_t* src, int64_t n);

// Writes the n pieces one after another with as few calls as the host
// allows. False with `unsupported` set, before anything is written, where
// the host has no gathered write (the caller then writes the pieces through
// a buffer); false otherwise on any failure the system reports.
bool HostWriteGather(HostHandle h, const HostPiece* pieces, int n, bool& unsupported);

// Copies n bytes of `in` from byte `inPos` to the current position of `out`
// inside the kernel, advancing `out`. `copied` says how many arrived (fewer
// than n when `in` ends first). False with `unsupported` set, before anything
// is copied, where the host cannot copy between these two files; false
// otherwise when the system reports a failure.
bool HostCopyRange(HostHandle in, int64_t inPos, HostHandle out, int64_t n, int64_t& copied,
                   bool& unsupported);

// Commits what was written to the disk; false on failure.
bool HostSync(HostHandle h);

// Starts writing the n bytes from `pos` to the disk without waiting, where
// the host can; a hint whose failures are left for HostSync to report.
void HostStartWriteback(HostHandle h, int64_t pos, int64_t n);

// Closes the handle; false when the system reports an error.
bool HostClose(HostHandle h);

// What tells one state of a file from another: the file itself (device and
// inode; on Windows volume and file index), its size, and the times its
// data and its status last changed (on Windows the last write; no status
// time, 0).
struct HostFileIdentity {
  uint64_t Device = 0;
  uint64_t Inode = 0;
  int64_t Size = -1;
  int64_t DataTime = 0;    // nanoseconds
  int64_t StatusTime = 0;  // nanoseconds
  bool operator==(const HostFileIdentity&) const = default;
};

// Of an open handle (fstat), and of the file `name` names now (stat, links
// followed). False when the system cannot tell.
bool HostHandleIdentity(HostHandle h, HostFileIdentity& id);
bool HostPathIdentity(const std::string& name, HostFileIdentity& id);

// Where an output named `name` really goes (the file a symbolic link points
// to, where the host has them), whether a file is there already (`exists`),
// and whether it is kept in kind: `keep` then carries its permissions for
// HostCreateNew (-1: none). False when a folder or other non-file stands at
// that place, or a file there that the user may not write (POSIX: by its
// permissions for the effective user, so root may; Windows: read-only).
bool HostOutputTarget(const std::string& name, std::string& finalPath, int64_t& keep,
                      bool& exists);

// The folder part of `path`, ending with its separator; empty for a bare name.
std::string HostFolderOf(const std::string& path);

// A temporary file name in `folder`, unique to this process and `counter`.
std::string HostTempName(const std::string& folder, unsigned counter);

// Creates `path`, which must not exist yet, for writing; `keep` from
// HostOutputTarget (-1: none). False with `exists` set when the name was
// taken, false otherwise on any other failure.
bool HostCreateNew(const std::string& path, int64_t keep, HostHandle& h, bool& exists);

// Puts the finished file `temp` in the place of `finalPath` in one step.
// False when that cannot be done; on Windows that is so while `finalPath` is
// open, even in this process.
bool HostReplace(const std::string& temp, const std::string& finalPath);

// Makes a rename in `folder` durable where the host needs that; no failure.
void HostSyncFolder(const std::string& folder);

// Removes the file `path`; a missing file is no fault.
void HostRemove(const std::string& path);

// The text of the last error the system reported to this thread.
std::string HostErrorText();

// Temporary files that an interruption (Ctrl+C, a termination request) must
// remove before the process ends with "Interrupted: output not written" and
// exit code 1. A slot is -1 when the registry is full.
int HostWatchTemp(const std::string& path);
void HostUnwatchTemp(int slot);

}  // namespace modrask
