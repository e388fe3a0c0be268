// Every truncation and every bumped byte of small 1C and 2I files, read back
// through the header readers: a sound read or a failure that ends in the
// reader's tag, never a crash (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include <functional>

#include "modrask/har/chars1c.h"
#include "modrask/har/descriptor.h"
#include "modrask/har/ints2i.h"
#include "har_fixture.h"
#include "modrask/records/recbuf.h"

namespace modrask {
namespace {

using test::Bytes;

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Reads name, descriptor and data of one header; checks what a reader
// promises whatever the bytes were.
void ReadOneHeader(const std::string& path, TFileFlavour flavour) {
  TRecFile f;
  std::string msg;
  if (!test::OpenRecFile(path, flavour, f, msg)) return;  // the record layer refused it
  THeaderRec h;
  bool found = false;
  TDescInts ints{};
  if (!GetHead(f, h.Name, found, flavour, msg)) {
    EXPECT_TRUE(EndsWith(msg, " [GetHead]")) << msg;
  } else if (!found) {
    EXPECT_EQ(h.Name, "    ");
  } else if (!GetDesc(f, h.HeadType, h.StorageMethod, h.LongName, ints, flavour, msg)) {
    EXPECT_TRUE(EndsWith(msg, " [GetDesc]")) << msg;
  } else if (h.HeadType == "1C") {
    h.NStrings = ints[2];
    h.LenString = ints[3];
    if (Get1CData(f, &h, flavour, msg)) {
      ASSERT_NE(h.StringRec, nullptr);
      EXPECT_EQ(h.StringRec->size(), static_cast<size_t>(h.NStrings) + 1);
      for (const std::string& s : *h.StringRec) EXPECT_LE(s.size(), size_t(h.LenString));
    } else {
      EXPECT_TRUE(EndsWith(msg, " [Get1CData]")) << msg;
      EXPECT_EQ(h.StringRec, nullptr);
    }
  } else if (h.HeadType == "2I") {
    h.NRows = ints[2];
    h.NCols = ints[3];
    if (Get2IData(f, &h, flavour, msg)) {
      ASSERT_NE(h.IntData, nullptr);
      EXPECT_EQ(h.IntData->MaxRow, h.NRows);
      EXPECT_EQ(h.IntData->MaxCol, h.NCols);
    } else {
      EXPECT_TRUE(EndsWith(msg, " [Get2IData]")) << msg;
      EXPECT_EQ(h.IntData, nullptr);
    }
  }
  CloseLaheyFile(f);
}

void Sweep(const std::function<bool(TRecFile&, TFileFlavour, std::string&)>& write) {
  for (const TFileFlavour flavour : {TFileFlavour::OldLahey, TFileFlavour::NewFujitsu}) {
    SCOPED_TRACE(FlavourName(flavour));
    const std::string path = test::ScratchPath("sweep");
    std::string msg;
    ASSERT_TRUE(test::WriteRecFile(
        path, flavour, [&](TRecFile& f, std::string& m) { return write(f, flavour, m); }, msg))
        << msg;
    const Bytes good = test::ReadBytes(path);
    ReadOneHeader(path, flavour);
    const std::string bad = test::ScratchPath("sweep_bad");
    for (size_t n = 0; n < good.size(); ++n) {
      SCOPED_TRACE("truncated to " + std::to_string(n));
      test::WriteBytes(bad, Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
      ReadOneHeader(bad, flavour);
    }
    for (size_t i = 0; i < good.size(); ++i) {
      for (const uint8_t delta : {uint8_t{1}, uint8_t{0x80}}) {
        SCOPED_TRACE("byte " + std::to_string(i) + " + " + std::to_string(delta));
        Bytes b = good;
        b[i] = static_cast<uint8_t>(b[i] + delta);
        test::WriteBytes(bad, b);
        ReadOneHeader(bad, flavour);
      }
    }
  }
}

TEST(ModelSweep, CharacterHeader) {
  std::string msg;
  PStrVec v;
  ASSERT_TRUE(AllocPStrVec(v, 3, msg));
  (*v)[1] = "alpha";
  (*v)[2] = "";
  (*v)[3] = "gamma delta";
  PHeaderRec h;
  ASSERT_TRUE(Create1C(h, "SWP1", "sweep", v, 3, 12, msg)) << msg;
  Sweep(
      [&](TRecFile& f, TFileFlavour fl, std::string& m) { return Write1CData(f, h.get(), fl, m); });
}

TEST(ModelSweep, IntegerHeader) {
  std::string msg;
  THeaderRec h;
  h.Name = "SWP2";
  h.HeadType = "2I";
  h.StorageMethod = "FULL";
  h.NRows = 3;
  h.NCols = 2;
  ASSERT_TRUE(AllocArr4(h.IntData, 3, 2, msg)) << msg;
  for (int32_t c = 1; c <= 2; ++c) {
    for (int32_t r = 1; r <= 3; ++r) h.IntData->At(r, c) = 10 * r + c;
  }
  Sweep([&](TRecFile& f, TFileFlavour fl, std::string& m) { return Write2IData(f, &h, fl, m); });
}

}  // namespace
}  // namespace modrask
