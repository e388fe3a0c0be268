// The values of one header brought from its file for as long as a command
// needs them, seen cell by cell in Fortran order (first dimension fastest).
#pragma once

#include <cstdint>
#include <string>

#include "modrask/har/harmodel.h"

namespace modrask::harinfo {

class TCellValues {
 public:
  TCellValues() = default;
  // Releases values that Load brought into memory.
  ~TCellValues();
  TCellValues(const TCellValues&) = delete;
  TCellValues& operator=(const TCellValues&) = delete;

  // Decodes the values of a real array or integer matrix (nothing to do for
  // a character header). False with the reader's message.
  bool Load(THeaderRec* head, std::string& msg);

  // Number of cells held: 0 for a character header or an empty array.
  int64_t Count() const { return count_; }
  // The real values (nil for an integer matrix or an empty array).
  const float* Reals() const { return reals_; }
  // The value of cell p (0-based), real or integer.
  double At(int64_t p) const;
  // The integer of cell p of an integer matrix.
  int32_t IntAt(int64_t p) const;
  bool IsInteger() const { return ints_ != nullptr; }

 private:
  THeaderRec* head_ = nullptr;
  const float* reals_ = nullptr;
  const TArr4Block* ints_ = nullptr;
  int32_t rows_ = 0;
  int64_t count_ = 0;
};

}  // namespace modrask::harinfo
