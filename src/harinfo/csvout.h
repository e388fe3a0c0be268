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
// double quote or a line end (quotes doubled). With `defuse`, a text field
// that begins with = + - or @ gets a ' before it, so that a spreadsheet
// takes it as text and never as a formula.
class TCsvWriter {
 public:
  explicit TCsvWriter(std::ostream& out, bool defuse = false);
  ~TCsvWriter() { Flush(); }
  TCsvWriter(const TCsvWriter&) = delete;
  TCsvWriter& operator=(const TCsvWriter&) = delete;

  void Field(std::string_view text);
  // A field already quoted where needed (from Text).
  void RawField(std::string_view text);
  void IntField(int64_t v);
  // The shortest decimal that reads back as the same float; NaN, Inf, -Inf.
  void FloatField(float v);
  // The shortest decimal that reads back as the same double; NaN, Inf, -Inf.
  void DoubleField(double v);
  void EndRow();
  void Flush();

  static std::string Quoted(std::string_view text);
  // `text` as Field writes it: defused when asked, quoted where needed.
  std::string Text(std::string_view text) const;

 private:
  void Separate();
  template <typename T>
  void ShortestField(T v);
  void Reserve(size_t n);

  std::ostream& out_;
  std::string buf_;
  bool rowStarted_ = false;
  bool defuse_ = false;
};

// Writes the CSV of `head`: a title row (set name or dim1, dim2, ... per
// dimension, then Value; row,col,Value for an integer matrix; String for a
// character header) and one row per cell in Fortran order. With `nonZero`,
// cells equal to 0 are left out; with `defuse`, text fields are defused as
// TCsvWriter does. False with the reader's message when the values cannot
// be read (the title row may have gone out).
bool WriteHeaderCsv(std::ostream& out, THeaderRec* head, bool nonZero, bool defuse,
                    std::string& msg);

}  // namespace modrask::harinfo
