// One header's values as CSV in long form: one row per cell, one column per
// dimension, then the value. Rows are streamed through a buffer; no text copy
// of the array is built.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

// Appends CSV rows to a buffer that goes to `out` whenever it fills, and at
// Flush or destruction. Fields are quoted only where they hold a comma, a
// double quote or a line end (quotes doubled).
class TCsvWriter {
 public:
  explicit TCsvWriter(std::ostream& out);
  ~TCsvWriter() { Flush(); }
  TCsvWriter(const TCsvWriter&) = delete;
  TCsvWriter& operator=(const TCsvWriter&) = delete;

  void Field(std::string_view text);
  // A field already quoted where needed (from Quoted).
  void RawField(std::string_view text);
  void IntField(int64_t v);
  // The shortest decimal that reads back as the same float; NaN, Inf, -Inf.
  void FloatField(float v);
  void EndRow();
  void Flush();

  static std::string Quoted(std::string_view text);

 private:
  void Separate();
  void Reserve(size_t n);

  std::ostream& out_;
  std::string buf_;
  bool rowStarted_ = false;
};

// Writes the CSV of `head`: a title row (set name or dim1, dim2, ... per
// dimension, then Value; row,col,Value for an integer matrix; String for a
// character header) and one row per cell in Fortran order. With `nonZero`,
// cells equal to 0 are left out. False with the reader's message when the
// values cannot be read (the title row may have gone out).
bool WriteHeaderCsv(std::ostream& out, THeaderRec* head, bool nonZero, std::string& msg);

}  // namespace modrask::harinfo
