// A Header Array file opened from Python: its headers, labels and history
// read at once, each header's values read into a numpy array when asked for.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::python {

namespace py = pybind11;

// The file as the reader left it: names, descriptors, labels and character
// data in memory, the values of real and integer headers still in the file.
class THarFileObj {
 public:
  // Reads `path`; THarError with the reader's message when it cannot.
  explicit THarFileObj(const std::string& path);
  THarFileObj(const THarFileObj&) = delete;
  THarFileObj& operator=(const THarFileObj&) = delete;

  const std::string& Path() const { return Path_; }
  // The ordinary headers in file order, trailing blanks dropped.
  std::vector<std::string> Headers() const;
  std::vector<std::string> History() const;
  std::string Flavour() const;
  // The header named `name` (any case, the XX headers included); KeyError
  // when there is none. Valid while the file is open.
  THeaderRec* Find(const std::string& name) const;
  bool Contains(const std::string& name) const;
  // Releases the data and the open file; later calls raise HarError.
  void Close();
  bool Closed() const { return Data_ == nullptr; }
  // THarError unless the file is open.
  THarData& Data() const;
  // Held while values are read from the file (which its headers share) and
  // while its data is released; taken only with the GIL released.
  std::mutex& ValuesLock() const { return ValuesLock_; }

 private:
  std::string Path_;
  PHarData Data_;
  mutable std::mutex ValuesLock_;
};

// One header of an open file; keeps the file alive.
class THeaderObj {
 public:
  THeaderObj(std::shared_ptr<THarFileObj> file, THeaderRec* head)
      : File_(std::move(file)), Head_(head) {}

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
  // Read once, the same object afterwards, also when two threads ask at
  // once; headers of one file are read one at a time, of two files at once.
  py::object Values();

 private:
  const THeaderRec& Head() const;
  py::object ReadValues();

  std::shared_ptr<THarFileObj> File_;
  THeaderRec* Head_;
  py::object Values_;
};

void BindFile(py::module_& m);

}  // namespace modrask::python
