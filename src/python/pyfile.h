// A Header Array file opened from Python: its headers, labels and history
// read at once, each header's values read into a numpy array when asked for.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::python {

namespace py = pybind11;

// What a File and its Headers share: the file as the reader left it, names,
// descriptors, labels and character data in memory, the values of real and
// integer headers still in the file.
struct TOpenHar {
  std::string Path;
  PHarData Data;
  // THarError once the file is closed.
  THarData& Get() const;
  // Held while values are read from the file (which its headers share) and
  // while its data is released; taken only with the GIL released.
  mutable std::mutex ValuesLock;
};
using POpenHar = std::shared_ptr<TOpenHar>;

// One header of an open file; keeps the file's data alive.
class THeaderObj {
 public:
  THeaderObj(POpenHar file, THeaderRec* head) : File_(std::move(file)), Head_(head) {}

  std::string Name() const;
  std::string Type() const;
  std::string Storage() const;
  std::string LongName() const;
  py::tuple Shape() const;
  // (set name or None, element names or None) per dimension, dimension 1
  // first; empty for character and integer headers.
  py::list Sets() const;
  // 1C: the string length of the header.
  int32_t StringLength() const;
  // The titles of the dimensions' columns, as harinfo csv gives them.
  std::vector<std::string> ColumnTitles() const;
  // Real arrays: float32 in dimension order (first dimension fastest, so
  // Fortran order); 2I: an int32 rows x cols matrix; 1C: a list of str.
  // Read once, the same object afterwards.
  py::object Values();

 private:
  const THeaderRec& Head() const;
  py::object ReadValues();

  POpenHar File_;
  THeaderRec* Head_;
  py::object Values_;
};

// A file opened from Python: a read-only mapping of its ordinary headers,
// each Header made once and kept, so that its values (read on first use)
// stay the same object while the file is open.
class THarFileObj {
 public:
  // Reads `path`; FileNotFoundError, IsADirectoryError or PermissionError
  // in harinfo's words for a fault of the file system, THarError with the
  // reader's message for a file that is not a sound Header Array file.
  explicit THarFileObj(const std::string& path);
  THarFileObj(const THarFileObj&) = delete;
  THarFileObj& operator=(const THarFileObj&) = delete;

  const std::string& Path() const { return Open_->Path; }
  // The ordinary headers in file order, trailing blanks dropped.
  std::vector<std::string> Headers() const;
  size_t Size() const { return Open_->Get().Heads.size(); }
  std::vector<std::string> History() const;
  std::string Flavour() const;
  // The first string of the creation stamp, of the creating program; None
  // when the file has none.
  py::object Created() const;
  py::object Program() const;
  // The Header of the ordinary header `name` (any case); KeyError when
  // there is none, the XX headers included.
  py::object Item(const std::string& name);
  bool Contains(const std::string& name) const;
  // Releases the data and the open file; later calls raise HarError.
  void Close();
  bool Closed() const { return Open_->Data == nullptr; }

 private:
  THeaderRec* Find(const std::string& name) const;

  POpenHar Open_;
  std::map<const THeaderRec*, py::object> Items_;
};

// Raises FileNotFoundError, IsADirectoryError or PermissionError, with errno
// and the file name, when `plain` (harinfo::PlainReadError's words for
// `path`) is a fault of the file system; returns otherwise.
void RaiseFileSystemError(const std::string& path, const std::string& plain);

void BindFile(py::module_& m);

}  // namespace modrask::python
