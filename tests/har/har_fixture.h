// Test helpers for Header Array records: scratch files, records crafted byte
// by byte in either framing, files made with our own writer, and the records
// of a written file taken apart again.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "modrask/records/lheyfile.h"

namespace modrask::test {

using Bytes = std::vector<uint8_t>;

// A path in this process's scratch folder (created on first use, removed at
// exit). Each call gives a fresh name built from `stem`.
std::string ScratchPath(std::string_view stem);

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);

// The data of one record, built piece by piece.
class RecordData {
 public:
  RecordData& Blanks(size_t n = 4);
  RecordData& Int(int32_t v);
  RecordData& Ints(std::initializer_list<int32_t> vs);
  RecordData& IntRun(const std::vector<int32_t>& vs);
  // s cut or blank-padded to exactly `width` characters.
  RecordData& Text(std::string_view s, size_t width);
  RecordData& Raw(const Bytes& b);
  const Bytes& bytes() const { return b_; }
  operator const Bytes&() const { return b_; }

 private:
  Bytes b_;
};

// Record data of the Header Array shapes.
Bytes NameRecord(std::string_view name);
Bytes DescRecord(std::string_view type, std::string_view storage, std::string_view longName,
                 std::initializer_list<int32_t> ints);
Bytes Strings1CRecord(int32_t recsLeft, int32_t nTot, const std::vector<std::string>& strings,
                      size_t len);
Bytes Matrix2IRecord(std::initializer_list<int32_t> struc7, const std::vector<int32_t>& values);

// The bytes of a whole file holding `records` in `flavour`.
Bytes FrameRecords(const std::vector<Bytes>& records, TFileFlavour flavour);
// Takes a file's bytes apart into its records' data; false when the framing
// is broken anywhere.
bool SplitRecords(const Bytes& file, TFileFlavour flavour, std::vector<Bytes>& records);

// Writes `path` as a record file of `flavour` with `body` (our writer).
bool WriteRecFile(const std::string& path, TFileFlavour flavour,
                  const std::function<bool(TRecFile&, std::string&)>& body, std::string& msg);
// Crafts `path` from a name record "HEAD" and then `records` (a record file
// opens with a name record), opens it for reading past that name record; the
// detected flavour must be `flavour`.
bool OpenCrafted(const std::string& path, const std::vector<Bytes>& records, TFileFlavour flavour,
                 TRecFile& f, std::string& msg);
// Opens an existing record file; the detected flavour must be `flavour`.
bool OpenRecFile(const std::string& path, TFileFlavour flavour, TRecFile& f, std::string& msg);

// The 32-bit little-endian integer at `offset` of `b`.
int32_t IntAt(const Bytes& b, size_t offset);
std::string TextAt(const Bytes& b, size_t offset, size_t len);

}  // namespace modrask::test
