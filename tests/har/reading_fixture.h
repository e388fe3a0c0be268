// Header Array files crafted record by record for the reading tests: the data
// of every record is built byte by byte, the record layer frames it.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "modrask/har/harmodel.h"

namespace modrask::readtest {

// The data bytes of one record, appended field by field (little-endian
// through the codec, texts blank-padded or cut to their width).
class Bytes {
 public:
  Bytes& Int(int32_t v);
  Bytes& Ints(std::initializer_list<int32_t> vs);
  Bytes& IntVec(const std::vector<int32_t>& vs);
  Bytes& Real(float v);
  Bytes& Reals(const std::vector<float>& vs);
  Bytes& Text(std::string_view s, size_t width);
  Bytes& Char(char c);
  Bytes& Append(const Bytes& other);
  const std::vector<uint8_t>& Data() const { return data_; }
  size_t Size() const { return data_.size(); }

 private:
  std::vector<uint8_t> data_;
};

// One dimension of a set-information record.
struct LabelDim {
  std::string Set;  // written as 12 characters
  char Status;      // 'k', 'u', 'e', 'n' or anything else
  int32_t Elno = 0;
};

// A set-information record as it stands in a file.
struct Labels {
  int32_t SetsToRead = 0;
  int32_t Acdmkn = -1;
  std::string ArrayName;
  int32_t Stknow = -1;
  std::vector<LabelDim> Dims;  // acdim = Dims.size()
  std::vector<std::string> Eltnam;
};

// The records of a file, in order.
class HarRecords {
 public:
  // Any record: its data exactly as given.
  HarRecords& Rec(const Bytes& data);
  // A header name record of exactly 4 bytes.
  HarRecords& Head(std::string_view name);
  // A record-buffer record: four blanks, the structure integers, the elements.
  HarRecords& RecBuf(const std::vector<int32_t>& struc, const Bytes& elms = Bytes());
  // A descriptor: type (2), storage (4), long name (70), then the integers.
  HarRecords& Desc(std::string_view type, std::string_view storage, std::string_view longName,
                   const std::vector<int32_t>& ints);
  // A 1C data record: (recsLeft, nTot, names.size()) and the names.
  HarRecords& Strings(int32_t recsLeft, int32_t nTot, const std::vector<std::string>& names,
                      size_t width);
  // The set-information record of an "RE" header.
  HarRecords& SetInfo(const Labels& labels);
  // FULL storage: dimension record, then limits and values per chunk.
  HarRecords& FullDims(int32_t krec, const std::array<int32_t, 7>& d);
  HarRecords& FullLimits(int32_t krec, const std::array<int32_t, 14>& loHi);
  HarRecords& FullValues(int32_t krec, const std::vector<float>& values);
  // SPSE storage: the count record and one entry record.
  HarRecords& SpseCount(int32_t nnz, int32_t intSize = 4, int32_t realSize = 4);
  HarRecords& SpseEntries(int32_t krec, int32_t total, const std::vector<int32_t>& positions,
                          const std::vector<float>& values);
  // A 2R (or, with integers, 2I) block record.
  HarRecords& Block2R(int32_t krec, int32_t nRows, int32_t nCols, int32_t lo1, int32_t hi1,
                      int32_t lo2, int32_t hi2, const std::vector<float>& values);
  HarRecords& Block2I(int32_t krec, int32_t nRows, int32_t nCols, int32_t lo1, int32_t hi1,
                      int32_t lo2, int32_t hi2, const std::vector<int32_t>& values);

  // Whole headers with well-formed data.
  HarRecords& Header1C(std::string_view name, const std::vector<std::string>& strings, int32_t len);
  // A FULL "RL" header of sizes d (descriptor order, 1 to 7 entries) holding
  // TestValue at every position, in one chunk.
  HarRecords& HeaderRLFull(std::string_view name, const std::vector<int32_t>& d);

  // Writes every record to `path` in `flavour`; true on success.
  bool Write(const std::string& path, TFileFlavour flavour) const;
  size_t Count() const { return recs_.size(); }

 private:
  std::vector<Bytes> recs_;
};

// The value HeaderRLFull stores at 1-based linear position p (Fortran order).
inline float TestValue(int64_t p) {
  return static_cast<float>(p) + 0.25f;
}
// The value at subscripts (descriptor order, from 1) of a read header.
float ValueAt(const THeaderRec& head, const std::array<int32_t, 8>& sub);

// A fresh path in the test's temporary folder.
std::string TempPath(std::string_view name);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Opens a crafted file for reading and consumes its first (name) record.
bool OpenAtFirstHeader(TRecFile& f, const std::string& path, TFileFlavour& flavour,
                       std::string& msg);

// The flavours, for parameterised tests.
inline constexpr std::array<TFileFlavour, 2> BothFlavours = {TFileFlavour::OldLahey,
                                                             TFileFlavour::NewFujitsu};

}  // namespace modrask::readtest
