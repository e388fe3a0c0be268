#include "har_fixture.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"

namespace modrask::test {
namespace {

namespace fs = std::filesystem;

struct ScratchDir {
  fs::path dir;
  int counter = 0;
  ScratchDir() {
    dir = fs::temp_directory_path() / ("modrask_har_" + std::to_string(std::random_device()()));
    fs::create_directories(dir);
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

ScratchDir& Scratch() {
  static ScratchDir d;
  return d;
}

void AppendInt(Bytes& b, int32_t v) {
  uint8_t x[4];
  EncodeInt32(x, v);
  b.insert(b.end(), x, x + 4);
}

}  // namespace

std::string ScratchPath(std::string_view stem) {
  ScratchDir& d = Scratch();
  return (d.dir / (std::string(stem) + "_" + std::to_string(++d.counter) + ".har")).string();
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

RecordData& RecordData::Blanks(size_t n) {
  b_.insert(b_.end(), n, ' ');
  return *this;
}
RecordData& RecordData::Int(int32_t v) {
  AppendInt(b_, v);
  return *this;
}
RecordData& RecordData::Ints(std::initializer_list<int32_t> vs) {
  for (const int32_t v : vs) AppendInt(b_, v);
  return *this;
}
RecordData& RecordData::IntRun(const std::vector<int32_t>& vs) {
  for (const int32_t v : vs) AppendInt(b_, v);
  return *this;
}
RecordData& RecordData::Text(std::string_view s, size_t width) {
  const std::string_view cut = s.substr(0, width);
  b_.insert(b_.end(), cut.begin(), cut.end());
  b_.insert(b_.end(), width - cut.size(), ' ');
  return *this;
}
RecordData& RecordData::Raw(const Bytes& b) {
  b_.insert(b_.end(), b.begin(), b.end());
  return *this;
}

Bytes NameRecord(std::string_view name) {
  return RecordData().Text(name, 4);
}

Bytes DescRecord(std::string_view type, std::string_view storage, std::string_view longName,
                 std::initializer_list<int32_t> ints) {
  return RecordData().Blanks().Text(type, 2).Text(storage, 4).Text(longName, 70).Ints(ints);
}

Bytes Strings1CRecord(int32_t recsLeft, int32_t nTot, const std::vector<std::string>& strings,
                      size_t len) {
  RecordData r;
  r.Blanks().Ints({recsLeft, nTot, static_cast<int32_t>(strings.size())});
  for (const std::string& s : strings) r.Text(s, len);
  return r;
}

Bytes Matrix2IRecord(std::initializer_list<int32_t> struc7, const std::vector<int32_t>& values) {
  return RecordData().Blanks().Ints(struc7).IntRun(values);
}

Bytes FrameRecords(const std::vector<Bytes>& records, TFileFlavour flavour) {
  Bytes file;
  if (flavour == TFileFlavour::OldLahey) file.push_back(LaheyLeadByte);
  for (const Bytes& r : records) {
    const auto len = static_cast<int32_t>(r.size());
    if (flavour == TFileFlavour::NewFujitsu) {
      AppendInt(file, len);
      file.insert(file.end(), r.begin(), r.end());
      AppendInt(file, len);
      continue;
    }
    uint8_t lead[4];
    int nExtra = 0;
    EncodeLaheyLen(len, lead, nExtra);
    file.insert(file.end(), lead, lead + nExtra + 1);
    file.insert(file.end(), r.begin(), r.end());
    uint8_t trail[4];
    int nExtraTrail = 0;
    EncodeLaheyLen(len + nExtra + 1, trail, nExtraTrail);
    for (int i = nExtraTrail; i >= 0; --i) file.push_back(trail[i]);
  }
  return file;
}

bool SplitRecords(const Bytes& file, TFileFlavour flavour, std::vector<Bytes>& records) {
  records.clear();
  size_t pos = 0;
  if (flavour == TFileFlavour::OldLahey) {
    if (file.empty() || file[0] != LaheyLeadByte) return false;
    pos = 1;
  }
  while (pos < file.size()) {
    int64_t len = 0;
    size_t trailLen = 4;
    if (flavour == TFileFlavour::NewFujitsu) {
      if (file.size() - pos < 4) return false;
      len = IntAt(file, pos);
      pos += 4;
    } else {
      const int nExtra = file[pos] & 3;
      if (file.size() - pos < static_cast<size_t>(nExtra) + 1) return false;
      int64_t v = file[pos] >> 2;
      for (int i = 1; i <= nExtra; ++i) v |= int64_t{file[pos + i]} << (6 + 8 * (i - 1));
      len = v;
      pos += static_cast<size_t>(nExtra) + 1;
      trailLen = static_cast<size_t>(LaheyLenBytes(static_cast<int32_t>(len + nExtra + 1)));
    }
    if (len < 0 || file.size() - pos < static_cast<size_t>(len) + trailLen) return false;
    records.emplace_back(
        file.begin() + static_cast<std::ptrdiff_t>(pos),
        file.begin() + static_cast<std::ptrdiff_t>(pos + static_cast<size_t>(len)));
    pos += static_cast<size_t>(len);
    if (flavour == TFileFlavour::NewFujitsu && IntAt(file, pos) != len) return false;
    pos += trailLen;
  }
  return true;
}

bool WriteRecFile(const std::string& path, TFileFlavour flavour,
                  const std::function<bool(TRecFile&, std::string&)>& body, std::string& msg) {
  TRecFile f;
  if (!CreateLaheyFile(f, path, flavour, msg)) return false;
  if (!body(f, msg)) {
    AbandonLaheyFile(f);
    return false;
  }
  return FinishLaheyFile(f, msg);
}

bool OpenRecFile(const std::string& path, TFileFlavour flavour, TRecFile& f, std::string& msg) {
  TFileFlavour found = TFileFlavour::OldLahey;
  if (!OpenLaheyFile(f, path, found, msg)) return false;
  if (found != flavour) {
    msg = std::string("opened as ") + FlavourName(found);
    return false;
  }
  return true;
}

bool OpenCrafted(const std::string& path, const std::vector<Bytes>& records, TFileFlavour flavour,
                 TRecFile& f, std::string& msg) {
  std::vector<Bytes> all{NameRecord("HEAD")};
  all.insert(all.end(), records.begin(), records.end());
  WriteBytes(path, FrameRecords(all, flavour));
  if (!OpenRecFile(path, flavour, f, msg)) return false;
  std::string name;
  bool found = false;
  if (!GetHead(f, name, found, flavour, msg)) return false;
  if (!found || name != "HEAD") {
    msg = "no name record HEAD";
    return false;
  }
  return true;
}

int32_t IntAt(const Bytes& b, size_t offset) {
  return DecodeInt32(b.data() + offset);
}

std::string TextAt(const Bytes& b, size_t offset, size_t len) {
  return std::string(reinterpret_cast<const char*>(b.data() + offset), len);
}

}  // namespace modrask::test
