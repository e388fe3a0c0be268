// Record files: Fortran-style unformatted sequential files in the two
// framings, their detection, opening and creation.
//
// Old Lahey:   FD record*            record = lead data trail
//              lead  = 1..4 bytes: (V mod 64) << 2 | NExtra, then bits 6-13,
//                      14-21, 22-29 of V = L (only NExtra of them)
//              trail = the encoding of L + NExtra + 1, bytes in reverse order
// New Fujitsu: record*               record = L:int32le data L:int32le
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace modrask {

enum class TFileFlavour : int { OldLahey = 0, NewFujitsu = 1 };

// "Old Lahey", "New Fujitsu", indexed by the flavour's ordinal.
const char* FlavourName(TFileFlavour flavour);

// The largest record data length that is read into memory.
inline constexpr int32_t MaxHarBuf = 8000000;
// The largest value an Old Lahey marker can express.
inline constexpr int32_t MaxLaheyLen = 1073741823;
// The lead byte of an Old Lahey file.
inline constexpr unsigned char LaheyLeadByte = 0xFD;
// True on hosts where a file cannot take the name of a file that is open,
// even in the same process (Windows).
inline constexpr bool OpenFilesBlockReplace =
#if defined(_WIN32)
    true;
#else
    false;
#endif

// The four-blank header name.
inline constexpr char BlankHead[] = "    ";
// A file of at least this many KiB is Large: skipping reads instead of seeking.
inline constexpr int32_t LargeFileKB = 2097151;

// How a file's real values are read. Plain fields, defaults beside them;
// the caller fills them and hands them to the reading (ReadHarFile), which
// keeps them with the open file for values read later.
struct TReadOptions {
  // False: NaN and the infinities are read as NonFiniteMark; true: as stored.
  bool KeepNonFinite = false;
};

struct TWriteFaults;

// How a whole file is written (WriteHarFile and the writers below it).
struct TWriteOptions {
  // When true every file is written in DefaultFlavour, and the THarData
  // written takes that framing; when false, in the framing it holds.
  bool ForceDefaultFlavour = false;
  TFileFlavour DefaultFlavour = TFileFlavour::NewFujitsu;
  // The share of zero values, in percent, above which a real array is
  // written "SPSE"; 100 writes every real array "FULL".
  int32_t SparseThreshold = 100;
  // For tests: failures injected into the files written with these options
  // (bytefile.h); null, the default, injects none.
  TWriteFaults* Faults = nullptr;
};

// Does nothing: every open file holds its own record buffer (TRecFile::Buf).
// Remains for programs that call it at start-up.
inline void InitHarBuf() {}

class ByteFile;

struct TRecBufFree {
  void operator()(uint8_t* p) const noexcept;
};

// An open record file: the buffered byte file, its Large flag, the options
// it was opened or created with, and its record buffer. Movable, not
// copyable; two files share nothing, so two threads may each use one. The
// owner closes it (CloseLaheyFile, or for a file being written
// FinishLaheyFile / AbandonLaheyFile); destruction of a file still being
// written abandons it.
struct TRecFile {
  std::unique_ptr<ByteFile> File;
  bool Large = false;
  TReadOptions Reading;
  TWriteOptions Writing;

  TRecFile();
  ~TRecFile();
  TRecFile(TRecFile&&) noexcept;
  TRecFile& operator=(TRecFile&&) noexcept;
  TRecFile(const TRecFile&) = delete;
  TRecFile& operator=(const TRecFile&) = delete;

  bool IsOpen() const { return File != nullptr; }
  // The byte offset of the next read or write.
  int64_t Position() const;
  // Moves a file being read to byte `pos` (records are then read from there).
  void Seek(int64_t pos);
  // The name the file was opened or created under.
  const std::string& Name() const;
  // This file's record buffer of MaxHarBuf + 1 bytes, obtained at its first
  // use ("Out of Memory [SafeGetMem]" ends the run when it cannot be) and
  // overwritten by every record read into it. Valid while the file lives.
  uint8_t* Buf();

 private:
  std::unique_ptr<uint8_t[], TRecBufFree> buf_;
};

// Strict form: reads exactly `count` bytes, else "Unexpected end-of-file
// [FileRead]" (assigned). Count 0 succeeds.
bool FileRead(TRecFile& f, void* buf, int32_t count, std::string& msg);
// End-of-file form: all bytes (atEof false), none (atEof true, success), or
// some (atEof true, "Unexpected end-of-file [FileRead]", false).
bool FileRead(TRecFile& f, void* buf, int32_t count, bool& atEof, std::string& msg);

// Fills out[0..nExtra] with the Old Lahey encoding of v (0..MaxLaheyLen).
void EncodeLaheyLen(int32_t v, uint8_t out[4], int& nExtra);
// 1, 2, 3 or 4: the marker length for v.
int LaheyLenBytes(int32_t v);

// The value of the Old Lahey leading marker at b (1 + (b[0] & 3) bytes), and
// the value its trailing marker must carry.
int32_t DecodeLaheyLen(const uint8_t b[4], int32_t& recLenCheck);
// Checks the LaheyLenBytes(recLenCheck) bytes of a trailing marker at b: 1
// when it carries recLenCheck, 0 when it carries another value, -1 when its
// byte count bits are wrong.
int CheckLaheyTrail(const uint8_t* b, int32_t recLenCheck);

bool GetRecLenA(TRecFile& f, int32_t& recLen, int32_t& recLenCheck, bool& atEof, std::string& msg);
bool ChkRecLen(TRecFile& f, int32_t recLenCheck, std::string& msg);
bool FujiGetRecLen(TRecFile& f, int32_t& recLen, bool& atEof, std::string& msg);
bool FujiChkRecLen(TRecFile& f, int32_t recLen, std::string& msg);

// Decides whether the named file is a record file, and of which flavour;
// reads at most five records of each flavour into a buffer of its own.
bool IsWhichLaheyFile(const std::string& name, TFileFlavour& flavour, std::string& msg);
bool IsLaheyFile(const std::string& name, std::string& msg);

// Probes, then opens `name` read-only, positioned at the first record.
bool OpenLaheyFile(TRecFile& f, const std::string& name, TFileFlavour& flavour, std::string& msg);

// Creates a file for writing in `flavour`. The records go to a temporary
// file beside `name`, which takes the name only in FinishLaheyFile: a file
// already at `name` stays as it was until then, and for good if the writing
// is abandoned or interrupted (SIGINT, SIGTERM). Failures: "Can't create
// file: " name (also when a folder is in the way), "cannot write to disk
// (probably no space)", with " [CreateLaheyFile]"; f is then not open.
// The second form gives the file writing options other than the defaults.
bool CreateLaheyFile(TRecFile& f, const std::string& name, TFileFlavour flavour, std::string& msg);
bool CreateLaheyFile(TRecFile& f, const std::string& name, TFileFlavour flavour,
                     const TWriteOptions& options, std::string& msg);

// Flushes, syncs and closes a file being written and puts it in place under
// its name (through a symbolic link, onto the file it points to). False with
// "cannot write to disk (probably no space) [FinishLaheyFile]" when any step
// fails, a rename included, or when a write had already failed; then the
// temporary file is removed and a file already at the name is untouched.
// Either way f is closed afterwards.
bool FinishLaheyFile(TRecFile& f, std::string& msg);

// Closes a file being written and removes what was written; an existing file
// of that name is untouched.
void AbandonLaheyFile(TRecFile& f);

// Closes a file opened for reading. An error the system reports ends the run.
void CloseLaheyFile(TRecFile& f);

}  // namespace modrask
