#include "mardex/mardex_fixture.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "modrask/support/coding.h"

namespace modrask::test {

bool IsElapsedLine(const std::string& line) {
  static const std::regex shape(" *[0-9]+ milliseconds total execution time");
  if (!std::regex_match(line, shape)) return false;
  const size_t width = line.find(" milliseconds");
  return width == 8 || (width > 8 && line[0] != ' ');
}

std::vector<std::string> UsageLines() {
  return {
      "Mardex: renames occurrences of a set in HAR file.",
      "  example:",
      "Mardex OLD.HAR NEW.HAR REGION ZONE",
      "  above,",
      "OLD.HAR is input file, using set REGION.",
      "NEW.HAR is output file ... ",
      "  -- every occurrence of set REGION will be renamed to set ZONE.",
      "See \"Rename Set\" topic in Glimmet online help.",
  };
}

TTempDir::TTempDir() {
  // A name nobody holds: create_directory is false for a folder already there.
  static std::random_device random;
  for (int attempt = 0;; ++attempt) {
    if (attempt == 100) std::abort();
    path_ = std::filesystem::temp_directory_path() / ("mardex-test-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(path_, ec)) break;
  }
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TTempDir::Entries() const {
  std::map<std::string, int> names;
  for (const auto& e : std::filesystem::directory_iterator(path_)) {
    names[e.path().filename().string()] = 0;
  }
  std::vector<std::string> result;
  for (const auto& [name, unused] : names) result.push_back(name);
  return result;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

THarBytes::THarBytes(TFileFlavour flavour) : flavour_(flavour) {
  if (flavour_ == TFileFlavour::OldLahey) bytes_.push_back(static_cast<char>(0xFD));
}

std::string THarBytes::Int(int32_t v) {
  char b[4];
  EncodeInt32(b, v);
  return std::string(b, 4);
}

std::string THarBytes::Real(float v) {
  char b[4];
  EncodeFloat(b, v);
  return std::string(b, 4);
}

std::string THarBytes::Padded(std::string_view s, size_t width) {
  std::string r(s.substr(0, width));
  r.resize(width, ' ');
  return r;
}

namespace {

// The Old Lahey marker of v: low six bits and the count of extra bytes in
// the first byte, then the higher bits eight at a time.
std::string LaheyMarker(uint32_t v, bool reversed) {
  std::string m(1, static_cast<char>((v % 64) << 2));
  uint32_t w = v / 64;
  while (w > 0) {
    m.push_back(static_cast<char>(w % 256));
    w /= 256;
  }
  m[0] = static_cast<char>(static_cast<unsigned char>(m[0]) | (m.size() - 1));
  if (reversed) return std::string(m.rbegin(), m.rend());
  return m;
}

}  // namespace

void THarBytes::Record(std::string_view data) {
  const auto len = static_cast<uint32_t>(data.size());
  if (flavour_ == TFileFlavour::NewFujitsu) {
    bytes_ += Int(static_cast<int32_t>(len));
    bytes_ += data;
    bytes_ += Int(static_cast<int32_t>(len));
    return;
  }
  const std::string lead = LaheyMarker(len, false);
  bytes_ += lead;
  bytes_ += data;
  bytes_ += LaheyMarker(len + static_cast<uint32_t>(lead.size()), true);
}

void THarBytes::Descriptor(std::string_view type, std::string_view storage,
                           std::string_view longName, const std::vector<int32_t>& ints) {
  std::string d = "    " + Padded(type, 2) + Padded(storage, 4) + Padded(longName, 70);
  for (const int32_t i : ints) d += Int(i);
  Record(d);
}

void THarBytes::Header1C(std::string_view name, std::string_view longName,
                         const std::vector<std::string>& strings, int32_t len) {
  const auto n = static_cast<int32_t>(strings.size());
  Record(Padded(name, 4));
  Descriptor("1C", "FULL", longName, {2, n, len});
  std::string d = "    " + Int(1) + Int(n) + Int(n);
  for (const auto& s : strings) d += Padded(s, static_cast<size_t>(len));
  Record(d);
}

void THarBytes::HeaderRE(std::string_view name, std::string_view longName,
                         const std::vector<TDimSpec>& dims, const std::vector<float>& values,
                         bool sparse) {
  std::vector<int32_t> d(8, 1);
  for (size_t k = 0; k < dims.size(); ++k) d[k + 1] = dims[k].Extent();
  std::vector<int32_t> ints{7};
  ints.insert(ints.end(), d.begin() + 1, d.end());
  Record(Padded(name, 4));
  Descriptor("RE", sparse ? "SPSE" : "FULL", longName, ints);

  // Set information, then one element list per distinct known set name.
  std::vector<size_t> lists;
  for (size_t k = 0; k < dims.size(); ++k) {
    if (dims[k].Elements.empty()) continue;
    bool seen = false;
    for (const size_t j : lists) seen = seen || dims[j].SetName == dims[k].SetName;
    if (!seen) lists.push_back(k);
  }
  const auto acdim = static_cast<int32_t>(dims.size());
  std::string info = "    " + Int(static_cast<int32_t>(lists.size())) + Int(-1) + Int(acdim) +
                     Padded(name, 12) + Int(-1);
  for (const auto& dim : dims) info += Padded(dim.SetName, 12);
  for (const auto& dim : dims) info += dim.Elements.empty() ? 'u' : 'k';
  for (size_t k = 0; k < dims.size(); ++k) info += Int(0);
  info += Int(0);
  Record(info);
  for (const size_t k : lists) {
    const auto n = static_cast<int32_t>(dims[k].Elements.size());
    std::string e = "    " + Int(1) + Int(n) + Int(n);
    for (const auto& el : dims[k].Elements) e += Padded(el, 12);
    Record(e);
  }

  if (!sparse) {
    std::string dimRec = "    " + Int(3) + Int(7);
    std::string limits = "    " + Int(2);
    for (int k = 1; k <= 7; ++k) {
      dimRec += Int(d[k]);
      limits += Int(1) + Int(d[k]);
    }
    std::string vals = "    " + Int(1);
    for (const float v : values) vals += Real(v);
    Record(dimRec);
    Record(limits);
    Record(vals);
    return;
  }
  std::string positions;
  std::string nonZero;
  int32_t nnz = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i] == 0.0f) continue;
    positions += Int(static_cast<int32_t>(i + 1));
    nonZero += Real(values[i]);
    ++nnz;
  }
  Record("    " + Int(nnz) + Int(4) + Int(4) + std::string(80, ' '));
  Record("    " + Int(1) + Int(nnz) + Int(nnz) + positions + nonZero);
}

void THarBytes::Header2I(std::string_view name, std::string_view longName, int32_t rows,
                         int32_t cols, const std::vector<int32_t>& values) {
  Record(Padded(name, 4));
  Descriptor("2I", "FULL", longName, {2, rows, cols});
  std::string d = "    " + Int(1) + Int(rows) + Int(cols) + Int(1) + Int(rows) + Int(1) + Int(cols);
  for (const int32_t v : values) d += Int(v);
  Record(d);
}

std::vector<std::string> RegElements() {
  return {"R1", "R2", "R3", "R4", "R5"};
}
std::vector<std::string> ComElements() {
  return {"AGRI", "MANU", "SERV"};
}

THarBytes StandardFile(TFileFlavour flavour, bool otherStorage) {
  THarBytes f(flavour);
  f.Header1C("XXHS", "File History", {"made by the test suite"}, 60);
  f.Header1C("RG01", "Set REG Regions of the world", RegElements(), 12);
  f.Header1C("CM01", "Set COM Commodities", ComElements(), 12);
  f.HeaderRE("A1", "Output by region", {{"REG", RegElements()}}, {1, 2, 3, 4, 5});
  std::vector<float> a2(15);
  for (size_t i = 0; i < a2.size(); ++i) a2[i] = 0.5f * static_cast<float>(i + 1);
  f.HeaderRE("A2", "Sales by commodity and region",
             {{"COM", ComElements()}, {"REG", RegElements()}}, a2, otherStorage);
  std::vector<float> a3(15, 0.0f);
  a3[0] = 7.25f;
  a3[14] = -3.0f;
  f.HeaderRE("A3", "Sparse flows", {{"REG", RegElements()}, {"COM", ComElements()}}, a3,
             !otherStorage);
  f.Header2I("INTS", "Counts", 2, 3, {1, 2, 3, 4, 5, 6});
  return f;
}

}  // namespace modrask::test
