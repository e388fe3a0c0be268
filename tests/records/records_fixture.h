// Test files made by our own writer, then edited byte by byte: a private
// folder per test, and verbs that read, set, bump and cut the bytes of a file.
// Header-only, so that the tests of later layers can include it too.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "modrask/records/lheyfile.h"
#include "modrask/records/recbuf.h"

namespace modrask::fixture {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir() {
    // A name nobody holds: create_directory is false for a folder already there.
    static std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const std::filesystem::path p =
          std::filesystem::temp_directory_path() / ("modrask_test_" + std::to_string(random()));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) path_ = p.string();
    }
    if (path_.empty()) ADD_FAILURE() << "no temporary folder";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string Path(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
  }
  const std::string& Root() const { return path_; }

  // The names in the folder, sorted: shows leftover temporary files.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string path_;
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::error_code ec;
  std::filesystem::remove(path,
                          ec);  // a fresh file: rewriting a truncated one may wait for the disk
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void SetByte(const std::string& path, size_t pos, uint8_t value) {
  Bytes b = ReadBytes(path);
  ASSERT_LT(pos, b.size());
  b[pos] = value;
  WriteBytes(path, b);
}

inline void IncrementByte(const std::string& path, size_t pos) {
  Bytes b = ReadBytes(path);
  ASSERT_LT(pos, b.size());
  ++b[pos];
  WriteBytes(path, b);
}

inline void Truncate(const std::string& path, size_t size) {
  std::filesystem::resize_file(path, size);
}

// `len` bytes of a pattern that differs from record to record.
inline Bytes Pattern(size_t len, unsigned seed = 1) {
  Bytes b(len);
  for (size_t i = 0; i < len; ++i) b[i] = static_cast<uint8_t>(seed * 31 + i * 7 + (i >> 8));
  return b;
}

// Writes `records` as a record file of `flavour` with our own writer.
inline void MakeRecordFile(const std::string& path, TFileFlavour flavour,
                           const std::vector<Bytes>& records) {
  TRecFile f;
  std::string msg;
  ASSERT_TRUE(CreateLaheyFile(f, path, flavour, msg)) << msg;
  for (const Bytes& r : records)
    ASSERT_TRUE(WriteLaheyRec(f, r.data(), static_cast<int64_t>(r.size()), flavour, msg)) << msg;
  ASSERT_TRUE(FinishLaheyFile(f, msg)) << msg;
}

// The same, as bytes.
inline Bytes RecordBytes(const TempDir& dir, TFileFlavour flavour,
                         const std::vector<Bytes>& records) {
  const std::string path = dir.Path("record_bytes.tmp");
  MakeRecordFile(path, flavour, records);
  Bytes b = ReadBytes(path);
  std::filesystem::remove(path);
  return b;
}

// A 4-byte header name record's data.
inline Bytes Name(const char (&s)[5]) {
  return Bytes(s, s + 4);
}

inline constexpr TFileFlavour kFlavours[] = {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu};

}  // namespace modrask::fixture
