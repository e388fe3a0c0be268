// Test helpers for Tidex: a folder tree in a fresh temporary folder, and a run of the
// built tidex binary in a chosen folder with its output and exit code captured.
#pragma once

#include <string>
#include <vector>

namespace modrask::test {

// A temporary folder, removed with everything in it (immutable flags cleared first).
class TTempTree {
 public:
  TTempTree();
  ~TTempTree();
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  // The real path of the temporary folder (no symbolic links in it).
  const std::string& Root() const { return Root_; }
  // Root() + the host's separator + Rel, each "/" in Rel written as the host's separator.
  std::string Path(const std::string& Rel) const;
  // Creates an empty file, or a folder with its parents; Rel is relative to Root().
  void File(const std::string& Rel) const;
  void Folder(const std::string& Rel) const;
  // Creates the symbolic link Rel pointing to Target.
  void Link(const std::string& Target, const std::string& Rel) const;
  bool Exists(const std::string& Rel) const;
  // The names in folder Rel (dot names included), sorted.
  std::vector<std::string> Names(const std::string& Rel = ".") const;
  // Marks file Rel immutable, so that not even root can delete it. False when the file
  // system or the process's rights do not allow it.
  bool MakeImmutable(const std::string& Rel);
  // Windows only: adds the file attributes Attributes (read-only, hidden, system) to Rel;
  // the tree clears them again before it is removed.
  void Mark(const std::string& Rel, unsigned long Attributes);

 private:
  std::string Root_;
  std::vector<std::string> Immutable_;
};

struct TRunResult {
  std::vector<std::string> Lines;  // standard output cut at each line end of the host
  std::string Raw;                 // standard output as written
  int Code = -1;                   // exit code; -1 when the process did not exit normally
};

// Runs TIDEX_BIN with Args in folder Dir, standard input empty.
TRunResult RunTidexBin(const std::string& Dir, const std::vector<std::string>& Args);

// The usage text, preceded by the error line when Message is not empty.
std::vector<std::string> UsageLines(const std::string& Message);

}  // namespace modrask::test
