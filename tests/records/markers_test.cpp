#include <gtest/gtest.h>

#include "modrask/records/bytefile.h"
#include "records/records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;
using fixture::TempDir;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(LaheyMarker, EncodesAtEveryWidthBoundary) {
  struct Case {
    int32_t v;
    int bytes;
  };
  for (const Case c : {Case{0, 1},
                       {63, 1},
                       {64, 2},
                       {16383, 2},
                       {16384, 3},
                       {4194303, 3},
                       {4194304, 4},
                       {MaxLaheyLen, 4}}) {
    uint8_t out[4];
    int nExtra = -1;
    EncodeLaheyLen(c.v, out, nExtra);
    EXPECT_EQ(nExtra + 1, c.bytes) << c.v;
    EXPECT_EQ(LaheyLenBytes(c.v), c.bytes) << c.v;
    EXPECT_EQ(out[0] & 3, nExtra) << c.v;
    const int64_t decoded =
        (out[0] >> 2) + int64_t{out[1]} * 64 + int64_t{out[2]} * 16384 + int64_t{out[3]} * 4194304;
    EXPECT_EQ(decoded, c.v);
  }
}

TEST(LaheyMarker, WorkedRecordsByteForByte) {
  TempDir dir;
  const auto old = TFileFlavour::OldLahey;
  const Bytes abcd = {0x41, 0x42, 0x43, 0x44};
  EXPECT_EQ(fixture::RecordBytes(dir, old, {abcd}), Concat({{0xFD, 0x10}, abcd, {0x14}}));
  const Bytes d62 = fixture::Pattern(62), d63 = fixture::Pattern(63), d100 = fixture::Pattern(100);
  EXPECT_EQ(fixture::RecordBytes(dir, old, {d62}), Concat({{0xFD, 0xF8}, d62, {0xFC}}));
  EXPECT_EQ(fixture::RecordBytes(dir, old, {d63}), Concat({{0xFD, 0xFC}, d63, {0x01, 0x01}}));
  EXPECT_EQ(fixture::RecordBytes(dir, old, {d100}),
            Concat({{0xFD, 0x91, 0x01}, d100, {0x01, 0x99}}));
}

TEST(LaheyMarker, NameRecordIsSixBytesOldAndTwelveNew) {
  TempDir dir;
  const Bytes name = fixture::Name("XXCD");
  // Without the lead byte of the old framing.
  EXPECT_EQ(fixture::RecordBytes(dir, TFileFlavour::OldLahey, {name}).size() - 1, 6u);
  EXPECT_EQ(fixture::RecordBytes(dir, TFileFlavour::NewFujitsu, {name}),
            Concat({{4, 0, 0, 0}, name, {4, 0, 0, 0}}));
}

TEST(LaheyMarker, RecBufWorkedExample) {
  TempDir dir;
  const std::string path = dir.Path("rb.har");
  const Bytes struc = fixture::Pattern(12, 5), elms = fixture::Pattern(80, 9);
  TRecFile f;
  std::string msg;
  ASSERT_TRUE(CreateLaheyFile(f, path, TFileFlavour::OldLahey, msg)) << msg;
  ASSERT_TRUE(WriteLaheyRec(f, "ABCD", 4, TFileFlavour::OldLahey, msg)) << msg;
  ASSERT_TRUE(WriteRecBuf(f, struc.data(), 12, elms.data(), 80, 1, TFileFlavour::OldLahey, msg))
      << msg;
  ASSERT_TRUE(FinishLaheyFile(f, msg)) << msg;
  EXPECT_EQ(fixture::ReadBytes(path), Concat({{0xFD, 0x10, 'A', 'B', 'C', 'D', 0x14, 0x81, 0x01},
                                              {' ', ' ', ' ', ' '},
                                              struc,
                                              elms,
                                              {0x01, 0x89}}));

  TFileFlavour flavour;
  ASSERT_TRUE(OpenLaheyFile(f, path, flavour, msg)) << msg;
  const uint8_t* s = nullptr;
  const uint8_t* e = nullptr;
  int32_t n = -1;
  int32_t len = 0;
  ASSERT_TRUE(GetNextRec(f, f.Buf(), len, flavour, msg)) << msg;
  ASSERT_TRUE(GetRecBuf(f, s, 12, e, n, 1, flavour, msg)) << msg;
  EXPECT_EQ(n, 80);
  EXPECT_EQ(Bytes(s, s + 12), struc);
  EXPECT_EQ(Bytes(e, e + 80), elms);
  CloseLaheyFile(f);
}

// Every record length at which a marker changes width, in both framings,
// read back through the reader.
TEST(LaheyMarker, BoundaryLengthsRoundTrip) {
  TempDir dir;
  const std::vector<size_t> lens = {0,     1,       59,      60,      61,     62,
                                    63,    64,      16379,   16380,   16381,  16383,
                                    16384, 4194299, 4194300, 4194303, 4194304};
  for (const TFileFlavour flavour : fixture::kFlavours) {
    std::vector<Bytes> records = {fixture::Name("HEAD")};
    for (size_t i = 0; i < lens.size(); ++i)
      records.push_back(fixture::Pattern(lens[i], static_cast<unsigned>(i)));
    const std::string path = dir.Path("bounds.har");
    fixture::MakeRecordFile(path, flavour, records);
    size_t expectedSize = flavour == TFileFlavour::OldLahey ? 1 : 0;
    for (const Bytes& r : records) {
      const auto len = static_cast<int32_t>(r.size());
      int nExtra = 0;
      uint8_t out[4];
      EncodeLaheyLen(len, out, nExtra);
      expectedSize +=
          r.size() + (flavour == TFileFlavour::OldLahey
                          ? static_cast<size_t>(nExtra + 1 + LaheyLenBytes(len + nExtra + 1))
                          : 8u);
    }
    EXPECT_EQ(fixture::ReadBytes(path).size(), expectedSize);
    TRecFile f;
    TFileFlavour found;
    std::string msg;
    ASSERT_TRUE(OpenLaheyFile(f, path, found, msg)) << msg;
    EXPECT_EQ(found, flavour);
    for (const Bytes& r : records) {
      int32_t len = -1;
      ASSERT_TRUE(GetNextRec(f, f.Buf(), len, flavour, msg)) << msg;
      ASSERT_EQ(static_cast<size_t>(len), r.size());
      EXPECT_EQ(Bytes(f.Buf(), f.Buf() + len), r) << len;
    }
    bool atEof = false;
    int32_t len = 0;
    EXPECT_TRUE(GetLaheyRecA(f, f.Buf(), len, flavour, atEof, msg)) << msg;
    EXPECT_TRUE(atEof);
    CloseLaheyFile(f);
  }
}

// Opens a raw byte file for the marker operations, past the probe.
TRecFile RawOpen(const TempDir& dir, const Bytes& bytes) {
  const std::string path = dir.Path("raw.bin");
  fixture::WriteBytes(path, bytes);
  TRecFile f;
  f.File = ByteFile::OpenRead(path);
  return f;
}

TEST(FileReadForms, StrictAndEndOfFile) {
  TempDir dir;
  uint8_t b[8];
  std::string msg;
  bool atEof = false;
  {
    TRecFile f = RawOpen(dir, {1, 2, 3});
    EXPECT_TRUE(FileRead(f, b, 0, msg));
    EXPECT_FALSE(FileRead(f, b, 4, msg));
    EXPECT_EQ(msg, "Unexpected end-of-file [FileRead]");
  }
  {
    TRecFile f = RawOpen(dir, {1, 2, 3});
    EXPECT_TRUE(FileRead(f, b, 3, atEof, msg));
    EXPECT_FALSE(atEof);
    EXPECT_TRUE(FileRead(f, b, 2, atEof, msg));
    EXPECT_TRUE(atEof);
  }
  {
    TRecFile f = RawOpen(dir, {1, 2, 3});
    msg = "old";
    EXPECT_FALSE(FileRead(f, b, 4, atEof, msg));
    EXPECT_TRUE(atEof);
    EXPECT_EQ(msg, "Unexpected end-of-file [FileRead]");
  }
}

TEST(MarkerFaults, EachRowOfTheTable) {
  TempDir dir;
  std::string msg;
  int32_t recLen = 0, recLenCheck = 0;
  bool atEof = false;
  {  // leading marker says one extra byte, file ends
    TRecFile f = RawOpen(dir, {0x91});
    EXPECT_FALSE(GetRecLenA(f, recLen, recLenCheck, atEof, msg));
    EXPECT_EQ(msg, "Unexpected end-of-file [FileRead] [GetRecLenA]");
  }
  {  // trailing marker of L = 100 with the wrong NExtra bits
    TRecFile f = RawOpen(dir, {0x01, 0x98});
    EXPECT_FALSE(ChkRecLen(f, 102, msg));
    EXPECT_EQ(msg, "Bad NExtraCheck value [ChkRecLen]");
  }
  {
    TRecFile f = RawOpen(dir, {0x01, 0x9D});
    EXPECT_FALSE(ChkRecLen(f, 102, msg));
    EXPECT_EQ(msg, "Bad RecLenCheck value [ChkRecLen]");
  }
  {  // a reader that took L = 63's trailing marker as one byte
    TRecFile f = RawOpen(dir, {0x01, 0x01});
    EXPECT_FALSE(ChkRecLen(f, 63, msg));
    EXPECT_EQ(msg, "Bad NExtraCheck value [ChkRecLen]");
  }
  {
    TRecFile f = RawOpen(dir, {0x01, 0x01});
    EXPECT_TRUE(ChkRecLen(f, 64, msg)) << msg;
  }
  {
    TRecFile f = RawOpen(dir, {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_FALSE(FujiGetRecLen(f, recLen, atEof, msg));
    EXPECT_EQ(msg, "RecLen<0 [FujiGetRecLen]");
  }
  {
    TRecFile f = RawOpen(dir, {4, 0});
    EXPECT_FALSE(FujiGetRecLen(f, recLen, atEof, msg));
    EXPECT_EQ(msg, "Unexpected end-of-file [FileRead] [FujiGetRecLen]");
  }
  {
    TRecFile f = RawOpen(dir, {5, 0, 0, 0});
    EXPECT_FALSE(FujiChkRecLen(f, 4, msg));
    EXPECT_EQ(msg, "Bad RecLenCheck value [FujiChkRecLen]");
  }
  {
    TRecFile f = RawOpen(dir, {});
    EXPECT_TRUE(GetRecLenA(f, recLen, recLenCheck, atEof, msg));
    EXPECT_TRUE(atEof);
    EXPECT_TRUE(FujiGetRecLen(f, recLen, atEof, msg));
    EXPECT_TRUE(atEof);
  }
}

}  // namespace
}  // namespace modrask
