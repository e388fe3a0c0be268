// Test helpers of the Mardex suite: running the built program, a scratch
// folder, and a byte-level writer of Header Array files that is independent
// of the library's own writer (so reading and writing are checked against a
// second, plain encoding of the format).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "modrask/records/lheyfile.h"

namespace modrask::test {

// What a run of the built `mardex` printed and how it ended.
struct TRunResult {
  int ExitCode = -1;      // -1 when the program did not exit normally
  bool TimedOut = false;  // killed after the time limit
  std::string Out;        // everything written to standard output
};

// Runs MARDEX_BIN with `args` (not through a shell), standard input an open
// pipe that never delivers a line, and only the user settings given in `env`
// (MODRASK_USESPARSE, MODRASK_FLASHTASKBAR with their texts). On POSIX hosts
// they are environment variables; on Windows registry values under
// HKEY_CURRENT_USER\Software\MODRASK (UseSparse, FlashTaskBar), a 32-bit
// integer for a decimal text and a string otherwise, removed after the run.
// Kills it after 60 seconds.
TRunResult RunMardexBinary(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env = {});

// The same with the test as the program's tracer (so that it runs as under a
// debugger) and `input` waiting on its standard input; killed after
// `timeLimitSeconds`.
// The exit code of a traced run when the host does not allow tracing.
inline constexpr int NotTraceable = 126;
TRunResult RunMardexTraced(const std::vector<std::string>& args, std::string_view input,
                           int timeLimitSeconds);

// The output cut into lines (a trailing empty piece after the last line end
// is dropped). On POSIX hosts a line ends with "\n", and a "\r" stays part
// of its line; on Windows with "\n" or the "\r\n" the console writes, so a
// CR LF inside a message ends a line there too.
std::vector<std::string> Lines(const std::string& out);

// What ends the line before a CR LF inside a message, as Lines gives it: "\r"
// on POSIX hosts, nothing on Windows.
std::string EmbeddedLineEnd();

// The line that ends a run on a user setting of the wrong type; `var` is the
// setting as RunMardexBinary takes it (MODRASK_USESPARSE, ...).
std::string WrongTypeLine(const std::string& var);

// True for the elapsed-time line of a run: the milliseconds right-aligned in
// 8 characters (or wider), " milliseconds total execution time".
bool IsElapsedLine(const std::string& line);

// The eight lines of the usage text.
std::vector<std::string> UsageLines();

// A fresh folder under the system's temporary folder, removed with all its
// contents at destruction.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(std::string_view name) const { return (path_ / name).string(); }
  // Names of the entries of the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

// One dimension of a labelled real array: its set name and, for a set with
// known elements, their names. With no elements the dimension is written
// with status 'u' and size `Size`.
struct TDimSpec {
  std::string SetName;
  std::vector<std::string> Elements;
  int32_t Size = 0;  // used only when Elements is empty
  int32_t Extent() const { return Elements.empty() ? Size : static_cast<int32_t>(Elements.size()); }
};

// Builds the bytes of a Header Array file record by record in one framing.
class THarBytes {
 public:
  explicit THarBytes(TFileFlavour flavour);

  // One framed record holding `data`.
  void Record(std::string_view data);
  // A descriptor record: blanks, type, storage, long name (70), the integers.
  void Descriptor(std::string_view type, std::string_view storage, std::string_view longName,
                  const std::vector<int32_t>& ints);
  // A 1C header: name, descriptor (2, n, len) and one data record.
  void Header1C(std::string_view name, std::string_view longName,
                const std::vector<std::string>& strings, int32_t len);
  // An RE header over `dims` (dimension 1 first) holding `values` in
  // Fortran order, stored FULL in one chunk or SPSE in one block.
  void HeaderRE(std::string_view name, std::string_view longName, const std::vector<TDimSpec>& dims,
                const std::vector<float>& values, bool sparse = false);
  // A 2I header of rows x cols values given column by column.
  void Header2I(std::string_view name, std::string_view longName, int32_t rows, int32_t cols,
                const std::vector<int32_t>& values);

  const std::string& Bytes() const { return bytes_; }
  void Save(const std::string& path) const { WriteFileBytes(path, bytes_); }

  static std::string Int(int32_t v);
  static std::string Real(float v);
  static std::string Padded(std::string_view s, size_t width);

 private:
  TFileFlavour flavour_;
  std::string bytes_;
};

// The file most cases rename in: set REG (5 elements, header RG01) and set
// COM (3 elements, CM01) defined by character headers; real arrays A1 over
// REG, A2 over COM x REG, A3 over REG x COM (sparse); an integer matrix INTS
// and a history line. REG occurs in RG01 and three array dimensions. With
// `otherStorage` the same values are stored the other way: A2 sparse, A3 full.
THarBytes StandardFile(TFileFlavour flavour, bool otherStorage = false);
std::vector<std::string> RegElements();  // R1 .. R5
std::vector<std::string> ComElements();  // AGRI MANU SERV

// Does nothing: every open file holds its own record buffer. Remains for
// tests that still call it.
inline void EnsureHarBuf() {}

}  // namespace modrask::test
