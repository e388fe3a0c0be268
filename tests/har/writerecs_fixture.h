// Helpers for the writer tests: a scratch folder, the records of a written
// file read back raw, and builders for headers of every kind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::wtest {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::string Path(const std::string& name) const {
    return (std::filesystem::path(dir_) / name).string();
  }
  // The names in the folder, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string dir_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

using TRecord = std::vector<uint8_t>;

// Every record of a record file, in order, and the file's framing. False
// with the reader's message when the file is not a clean record file.
bool ReadRecords(const std::string& path, std::vector<TRecord>& recs, TFileFlavour& flavour,
                 std::string& msg);

// Fields of a record read back. Struc(rec, i) is the i-th integer (from 0)
// after the four blanks of a record-buffer record.
int32_t IntAt(const TRecord& rec, size_t offset);
float RealAt(const TRecord& rec, size_t offset);
std::string TextAt(const TRecord& rec, size_t offset, size_t len);
inline int32_t Struc(const TRecord& rec, size_t i) {
  return IntAt(rec, 4 + 4 * i);
}

// A real header "RE" named `name` with sizes in descriptor order (first
// fastest) and its values in Fortran order; no labels (acdim = number of
// sizes, every dimension 'u' without a set name), stored "FULL".
PHeaderRec MakeReal(const std::string& name, const std::vector<int32_t>& sizes,
                    const std::vector<float>& values);
// Gives dimension k (1-based, descriptor order) the set `set` with status
// 'k' and these element names, or 'u' when `elements` is empty.
void SetLabel(THeaderRec& head, int k, const std::string& set,
              const std::vector<std::string>& elements);
// Makes dimension k a single element: status 'e', its number and name.
void SetSingleElement(THeaderRec& head, int k, int32_t number, const std::string& element);

PHeaderRec Make1C(const std::string& name, const std::string& longName,
                  const std::vector<std::string>& strings, int32_t lenString);
// A 2I matrix whose entry (r, c) is values[(c - 1) * rows + (r - 1)].
PHeaderRec Make2I(const std::string& name, int32_t rows, int32_t cols,
                  const std::vector<int32_t>& values);

// Writes one header through WriteHead into a new file. False with the
// message when anything fails (the file is then abandoned).
bool WriteOneHeader(const std::string& path, THeaderRec* head, TFileFlavour flavour,
                    const TWriteOptions& options, std::string& msg);

}  // namespace modrask::wtest
