#include "har/reading_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"

namespace modrask::readtest {

Bytes& Bytes::Int(int32_t v) {
  const size_t at = data_.size();
  data_.resize(at + 4);
  EncodeInt32(data_.data() + at, v);
  return *this;
}

Bytes& Bytes::Ints(std::initializer_list<int32_t> vs) {
  for (const int32_t v : vs) Int(v);
  return *this;
}

Bytes& Bytes::IntVec(const std::vector<int32_t>& vs) {
  for (const int32_t v : vs) Int(v);
  return *this;
}

Bytes& Bytes::Real(float v) {
  const size_t at = data_.size();
  data_.resize(at + 4);
  EncodeFloat(data_.data() + at, v);
  return *this;
}

Bytes& Bytes::Reals(const std::vector<float>& vs) {
  for (const float v : vs) Real(v);
  return *this;
}

Bytes& Bytes::Text(std::string_view s, size_t width) {
  for (size_t i = 0; i < width; ++i)
    data_.push_back(static_cast<uint8_t>(i < s.size() ? s[i] : ' '));
  return *this;
}

Bytes& Bytes::Char(char c) {
  data_.push_back(static_cast<uint8_t>(c));
  return *this;
}

Bytes& Bytes::Append(const Bytes& other) {
  data_.insert(data_.end(), other.data_.begin(), other.data_.end());
  return *this;
}

HarRecords& HarRecords::Rec(const Bytes& data) {
  recs_.push_back(data);
  return *this;
}

HarRecords& HarRecords::Head(std::string_view name) {
  return Rec(Bytes().Text(name, 4));
}

HarRecords& HarRecords::RecBuf(const std::vector<int32_t>& struc, const Bytes& elms) {
  return Rec(Bytes().Text("", 4).IntVec(struc).Append(elms));
}

HarRecords& HarRecords::Desc(std::string_view type, std::string_view storage,
                             std::string_view longName, const std::vector<int32_t>& ints) {
  return Rec(Bytes().Text("", 4).Text(type, 2).Text(storage, 4).Text(longName, 70).IntVec(ints));
}

HarRecords& HarRecords::Strings(int32_t recsLeft, int32_t nTot,
                                const std::vector<std::string>& names, size_t width) {
  Bytes elms;
  for (const std::string& n : names) elms.Text(n, width);
  return RecBuf({recsLeft, nTot, static_cast<int32_t>(names.size())}, elms);
}

HarRecords& HarRecords::SetInfo(const Labels& l) {
  Bytes b;
  b.Ints({l.SetsToRead, l.Acdmkn, static_cast<int32_t>(l.Dims.size())});
  b.Text(l.ArrayName, 12).Int(l.Stknow);
  for (const LabelDim& d : l.Dims) b.Text(d.Set, 12);
  for (const LabelDim& d : l.Dims) b.Char(d.Status);
  for (const LabelDim& d : l.Dims) b.Int(d.Elno);
  b.Int(static_cast<int32_t>(l.Eltnam.size()));
  for (const std::string& e : l.Eltnam) b.Text(e, 12);
  return RecBuf({}, b);
}

HarRecords& HarRecords::FullDims(int32_t krec, const std::array<int32_t, 7>& d) {
  return RecBuf({krec, 7, d[0], d[1], d[2], d[3], d[4], d[5], d[6]});
}

HarRecords& HarRecords::FullLimits(int32_t krec, const std::array<int32_t, 14>& loHi) {
  std::vector<int32_t> s{krec};
  s.insert(s.end(), loHi.begin(), loHi.end());
  return RecBuf(s);
}

HarRecords& HarRecords::FullValues(int32_t krec, const std::vector<float>& values) {
  return RecBuf({krec}, Bytes().Reals(values));
}

HarRecords& HarRecords::SpseCount(int32_t nnz, int32_t intSize, int32_t realSize) {
  return RecBuf({nnz, intSize, realSize}, Bytes().Text("", 80));
}

HarRecords& HarRecords::SpseEntries(int32_t krec, int32_t total,
                                    const std::vector<int32_t>& positions,
                                    const std::vector<float>& values) {
  return RecBuf({krec, total, static_cast<int32_t>(positions.size())},
                Bytes().IntVec(positions).Reals(values));
}

HarRecords& HarRecords::Block2R(int32_t krec, int32_t nRows, int32_t nCols, int32_t lo1,
                                int32_t hi1, int32_t lo2, int32_t hi2,
                                const std::vector<float>& values) {
  return RecBuf({krec, nRows, nCols, lo1, hi1, lo2, hi2}, Bytes().Reals(values));
}

HarRecords& HarRecords::Block2I(int32_t krec, int32_t nRows, int32_t nCols, int32_t lo1,
                                int32_t hi1, int32_t lo2, int32_t hi2,
                                const std::vector<int32_t>& values) {
  return RecBuf({krec, nRows, nCols, lo1, hi1, lo2, hi2}, Bytes().IntVec(values));
}

HarRecords& HarRecords::Header1C(std::string_view name, const std::vector<std::string>& strings,
                                 int32_t len) {
  const auto n = static_cast<int32_t>(strings.size());
  Head(name).Desc("1C", "FULL", "strings", {2, n, len});
  return Strings(1, n, strings, static_cast<size_t>(len));
}

HarRecords& HarRecords::HeaderRLFull(std::string_view name, const std::vector<int32_t>& d) {
  std::array<int32_t, 7> dims{1, 1, 1, 1, 1, 1, 1};
  for (size_t k = 0; k < d.size() && k < 7; ++k) dims[k] = d[k];
  std::vector<int32_t> ints{7};
  ints.insert(ints.end(), dims.begin(), dims.end());
  Head(name).Desc("RL", "FULL", "real array", ints);
  FullDims(3, dims);
  std::array<int32_t, 14> loHi{};
  int64_t n = 1;
  for (int k = 0; k < 7; ++k) {
    loHi[2 * k] = 1;
    loHi[2 * k + 1] = dims[k];
    n *= dims[k];
  }
  FullLimits(2, loHi);
  std::vector<float> values;
  for (int64_t p = 1; p <= n; ++p) values.push_back(TestValue(p));
  return FullValues(1, values);
}

bool HarRecords::Write(const std::string& path, TFileFlavour flavour) const {
  TRecFile f;
  std::string msg;
  if (!CreateLaheyFile(f, path, flavour, msg)) {
    ADD_FAILURE() << msg;
    return false;
  }
  for (const Bytes& r : recs_) {
    if (!WriteLaheyRec(f, r.Data().data(), static_cast<int64_t>(r.Size()), flavour, msg)) {
      ADD_FAILURE() << msg;
      AbandonLaheyFile(f);
      return false;
    }
  }
  if (!FinishLaheyFile(f, msg)) {
    ADD_FAILURE() << msg;
    return false;
  }
  return true;
}

float ValueAt(const THeaderRec& head, const std::array<int32_t, 8>& sub) {
  // Dimension k lives in slot 8-k; the first dimension varies fastest.
  int64_t off = 0;
  int64_t stride = 1;
  for (int k = 1; k <= 7; ++k) {
    off += (sub[k] - 1) * stride;
    stride *= head.Dims[8 - k];
  }
  if (head.HeadMat.Root == nullptr || off < 0 ||
      off >= static_cast<int64_t>(head.HeadMat.Root->size())) {
    ADD_FAILURE() << "no value at offset " << off;
    return -1.0f;
  }
  return (*head.HeadMat.Root)[static_cast<size_t>(off)];
}

namespace {

// Removes every file handed out by TempPath when the test program ends.
class TempFiles : public ::testing::Environment {
 public:
  static std::vector<std::string>& Paths() {
    static std::vector<std::string> paths;
    return paths;
  }
  void TearDown() override {
    std::error_code ec;
    for (const std::string& p : Paths()) std::filesystem::remove(p, ec);
  }
};

[[maybe_unused]] ::testing::Environment* const kTempFiles =
    ::testing::AddGlobalTestEnvironment(new TempFiles);

}  // namespace

std::string TempPath(std::string_view name) {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string dir = ::testing::TempDir() + "modrask_reading";
  std::filesystem::create_directories(dir);
  std::string base =
      info != nullptr ? std::string(info->test_suite_name()) + "." + info->name() : "t";
  for (char& c : base)
    if (c == '/') c = '_';
  std::string path = dir + "/" + base + "." + std::to_string(counter++) + "." + std::string(name);
  TempFiles::Paths().push_back(path);
  return path;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

bool OpenAtFirstHeader(TRecFile& f, const std::string& path, TFileFlavour& flavour,
                       std::string& msg) {
  if (!OpenLaheyFile(f, path, flavour, msg)) return false;
  std::string name;
  bool found = false;
  if (!GetHead(f, name, found, flavour, msg)) return false;
  if (!found) return Fail(msg, "no name record");
  return true;
}

}  // namespace modrask::readtest
