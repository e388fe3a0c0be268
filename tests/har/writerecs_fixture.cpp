#include "har/writerecs_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "modrask/har/chars1c.h"
#include "modrask/har/harwrite.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"

namespace modrask::wtest {

ScratchDir::ScratchDir() {
  // A name nobody holds: create_directory is false for a folder already there.
  static std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    dir_ =
        (std::filesystem::temp_directory_path() / ("harwrite" + std::to_string(random()))).string();
    std::error_code ec;
    if (std::filesystem::create_directory(dir_, ec)) return;
  }
  ADD_FAILURE() << "no temporary folder";
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

std::vector<std::string> ScratchDir::Entries() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir_))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool ReadRecords(const std::string& path, std::vector<TRecord>& recs, TFileFlavour& flavour,
                 std::string& msg) {
  recs.clear();
  TRecFile f;
  if (!OpenLaheyFile(f, path, flavour, msg)) return false;
  for (;;) {
    int32_t len = 0;
    bool atEof = false;
    if (!GetLaheyRecA(f, f.Buf(), len, flavour, atEof, msg)) {
      CloseLaheyFile(f);
      return false;
    }
    if (atEof) break;
    recs.emplace_back(f.Buf(), f.Buf() + len);
  }
  CloseLaheyFile(f);
  return true;
}

int32_t IntAt(const TRecord& rec, size_t offset) {
  if (offset + 4 > rec.size()) {
    ADD_FAILURE() << "integer at " << offset << " beyond a record of " << rec.size();
    return -999999;
  }
  return DecodeInt32(rec.data() + offset);
}

float RealAt(const TRecord& rec, size_t offset) {
  if (offset + 4 > rec.size()) {
    ADD_FAILURE() << "real at " << offset << " beyond a record of " << rec.size();
    return -999999.0f;
  }
  return DecodeFloat(rec.data() + offset);
}

std::string TextAt(const TRecord& rec, size_t offset, size_t len) {
  if (offset + len > rec.size()) {
    ADD_FAILURE() << "text at " << offset << " beyond a record of " << rec.size();
    return {};
  }
  return std::string(rec.begin() + static_cast<std::ptrdiff_t>(offset),
                     rec.begin() + static_cast<std::ptrdiff_t>(offset + len));
}

PHeaderRec MakeReal(const std::string& name, const std::vector<int32_t>& sizes,
                    const std::vector<float>& values) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = NormHeadName(name);
  head->LongName = "Real array " + name;
  head->HeadType = "RE";
  head->StorageMethod = "FULL";
  head->OrigNDim = static_cast<int32_t>(sizes.size());
  head->Dims.fill(1);
  head->Dims[0] = 0;
  for (size_t k = 1; k <= sizes.size(); ++k) head->Dims[8 - k] = sizes[k - 1];
  head->HeadMat.Dims = head->Dims;
  head->HeadMat.Root = std::make_unique<TValues>(values.begin(), values.end());
  TREDetails& det = head->REDetails;
  det.acdim = head->OrigNDim;
  det.acdmkn = true;
  det.stknow = false;
  for (int k = 1; k <= 7; ++k) det.RDelst[k] = 'u';
  return head;
}

void SetLabel(THeaderRec& head, int k, const std::string& set,
              const std::vector<std::string>& elements) {
  head.REDetails.StName[k] = set;
  head.SetNames[8 - k] = set;
  head.REDetails.RDelst[k] = elements.empty() ? 'u' : 'k';
  head.SetElements[8 - k].reset();
  if (!elements.empty()) {
    head.SetElements[8 - k] = std::make_unique<std::vector<std::string>>(1);
    for (const std::string& e : elements) head.SetElements[8 - k]->push_back(e);
  }
  bool all = true;
  for (int j = 1; j <= head.REDetails.acdim; ++j) all = all && !head.REDetails.StName[j].empty();
  head.REDetails.stknow = all;
}

void SetSingleElement(THeaderRec& head, int k, int32_t number, const std::string& element) {
  TREDetails& det = head.REDetails;
  det.RDelst[k] = 'e';
  det.elno[k] = number;
  det.NEltrd = 0;
  for (int j = 1; j <= det.acdim; ++j)
    if (det.RDelst[j] == 'e') ++det.NEltrd;
  det.eltnam[det.NEltrd] = element;
  head.SetNames[8 - k] = element;
  head.SetElements[8 - k] =
      std::make_unique<std::vector<std::string>>(std::vector<std::string>{"", element});
}

PHeaderRec Make1C(const std::string& name, const std::string& longName,
                  const std::vector<std::string>& strings, int32_t lenString) {
  PHeaderRec head;
  auto v = std::make_unique<std::vector<std::string>>(1);
  for (const std::string& s : strings) v->push_back(s);
  std::string msg;
  EXPECT_TRUE(
      Create1C(head, name, longName, v, static_cast<int32_t>(strings.size()), lenString, msg))
      << msg;
  if (head != nullptr) {
    head->OrigNDim = 1;
    head->Dims.fill(1);
    head->Dims[0] = 0;
  }
  return head;
}

PHeaderRec Make2I(const std::string& name, int32_t rows, int32_t cols,
                  const std::vector<int32_t>& values) {
  auto head = std::make_unique<THeaderRec>();
  head->Name = NormHeadName(name);
  head->LongName = "Integers " + name;
  head->HeadType = "2I";
  head->StorageMethod = "FULL";
  head->NRows = rows;
  head->NCols = cols;
  head->Dims.fill(1);
  head->Dims[0] = 0;
  if (rows != 1 && cols != 1) {
    head->OrigNDim = 2;
    head->Dims[7] = rows;
    head->Dims[6] = cols;
  } else {
    head->OrigNDim = 1;
    head->Dims[7] = rows != 1 ? rows : cols;
  }
  std::string msg;
  EXPECT_TRUE(AllocArr4(head->IntData, rows, cols, msg)) << msg;
  for (int32_t c = 1; c <= cols; ++c)
    for (int32_t r = 1; r <= rows; ++r)
      head->IntData->At(r, c) = values[static_cast<size_t>((c - 1) * rows + (r - 1))];
  return head;
}

bool WriteOneHeader(const std::string& path, THeaderRec* head, TFileFlavour flavour,
                    const TWriteOptions& options, std::string& msg) {
  TRecFile f;
  if (!CreateLaheyFile(f, path, flavour, options, msg)) return false;
  if (!WriteHead(f, head, flavour, msg)) {
    AbandonLaheyFile(f);
    return false;
  }
  return FinishLaheyFile(f, msg);
}

}  // namespace modrask::wtest
