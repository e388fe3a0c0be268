#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "records/records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;
using fixture::TempDir;

class RecordsTest : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  TFileFlavour flavour() const { return GetParam(); }

  // Writes the records and opens the file for reading.
  // A file open for reading cannot be replaced on every host: it is closed
  // first.
  void Make(const std::vector<Bytes>& records) {
    CloseLaheyFile(f_);
    fixture::MakeRecordFile(path_, flavour(), records);
    Reopen();
  }
  void Reopen() {
    TFileFlavour found;
    std::string msg;
    ASSERT_TRUE(OpenLaheyFile(f_, path_, found, msg)) << msg;
    ASSERT_EQ(found, flavour());
  }

  TempDir dir_;
  std::string path_ = dir_.Path("t.har");
  TRecFile f_;
  std::string msg_;
};

TEST_P(RecordsTest, GetHeadUpperCasesAndEndsWithBlankHead) {
  Make(
      {fixture::Name("ab1 "), fixture::Pattern(30), fixture::Pattern(4000), fixture::Name("xY_z")});
  std::string name;
  bool found = false;
  ASSERT_TRUE(GetHead(f_, name, found, flavour(), msg_)) << msg_;
  EXPECT_TRUE(found);
  EXPECT_EQ(name, "AB1 ");
  ASSERT_TRUE(GetHead(f_, name, found, flavour(), msg_)) << msg_;
  EXPECT_TRUE(found);
  EXPECT_EQ(name, "XY_Z");
  ASSERT_TRUE(GetHead(f_, name, found, flavour(), msg_)) << msg_;
  EXPECT_FALSE(found);
  EXPECT_EQ(name, "    ");
}

TEST_P(RecordsTest, GetRecBufShapes) {
  const Bytes s12 = fixture::Pattern(12, 3);
  Make({fixture::Name("HEAD"), fixture::Pattern(15), fixture::Pattern(22), fixture::Pattern(16)});
  int32_t len = 0;
  ASSERT_TRUE(GetNextRec(f_, f_.Buf(), len, flavour(), msg_));
  const uint8_t* s = nullptr;
  const uint8_t* e = nullptr;
  int32_t n = -1;
  EXPECT_FALSE(GetRecBuf(f_, s, 12, e, n, 0, flavour(), msg_));
  EXPECT_EQ(msg_, "sizelms=0 [GetRecBuf]");
  EXPECT_FALSE(GetRecBuf(f_, s, 12, e, n, 4, flavour(), msg_));
  EXPECT_EQ(msg_, "Record too Short 15/16 [GetRecBuf]");
  EXPECT_FALSE(GetRecBuf(f_, s, 12, e, n, 4, flavour(), msg_));
  EXPECT_EQ(msg_, "Non-Unit Record Length [GetRecBuf]");
  ASSERT_TRUE(GetRecBuf(f_, s, 12, e, n, 4, flavour(), msg_)) << msg_;
  EXPECT_EQ(n, 0);
  EXPECT_EQ(s, f_.Buf() + 4);
  EXPECT_EQ(e, f_.Buf() + 16);
  msg_ = "kept";
  EXPECT_FALSE(GetRecBuf(f_, s, 12, e, n, 4, flavour(), msg_));
  EXPECT_EQ(msg_, "kept [GetRecBuf]");  // the end of the file assigns nothing
}

TEST_P(RecordsTest, WriteRecBufWithoutElements) {
  const Bytes struc = fixture::Pattern(60, 2);
  TRecFile w;
  ASSERT_TRUE(CreateLaheyFile(w, path_, flavour(), msg_)) << msg_;
  ASSERT_TRUE(WriteRecBuf(w, struc.data(), 60, nullptr, 0, 4, flavour(), msg_)) << msg_;
  ASSERT_TRUE(FinishLaheyFile(w, msg_)) << msg_;
  Bytes expected =
      flavour() == TFileFlavour::OldLahey ? Bytes{0xFD, 0x01, 0x01} : Bytes{64, 0, 0, 0};
  expected.insert(expected.end(), 4, ' ');
  expected.insert(expected.end(), struc.begin(), struc.end());
  const Bytes trail = flavour() == TFileFlavour::OldLahey ? Bytes{0x01, 0x09} : Bytes{64, 0, 0, 0};
  expected.insert(expected.end(), trail.begin(), trail.end());
  EXPECT_EQ(fixture::ReadBytes(path_), expected);
}

TEST_P(RecordsTest, RecordLimitOnReading) {
  TRecFile w;
  ASSERT_TRUE(CreateLaheyFile(w, path_, flavour(), msg_)) << msg_;
  // Four short records first, so that the probe's five end at the longest
  // readable one and never meet the one that is too long.
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(WriteLaheyRec(w, "HEAD", 4, flavour(), msg_));
  const Bytes big = fixture::Pattern(MaxHarBuf - LenHead + 1);
  ASSERT_TRUE(WriteRecBuf(w, nullptr, 0, big.data(), MaxHarBuf - LenHead, 1, flavour(), msg_))
      << msg_;
  ASSERT_TRUE(WriteRecBuf(w, nullptr, 0, big.data(), MaxHarBuf - LenHead + 1, 1, flavour(), msg_))
      << msg_;
  ASSERT_TRUE(FinishLaheyFile(w, msg_)) << msg_;
  Reopen();
  int32_t len = 0;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(GetNextRec(f_, f_.Buf(), len, flavour(), msg_));
  const uint8_t* s = nullptr;
  const uint8_t* e = nullptr;
  int32_t n = -1;
  ASSERT_TRUE(GetRecBuf(f_, s, 0, e, n, 1, flavour(), msg_)) << msg_;
  EXPECT_EQ(n, MaxHarBuf - LenHead);
  EXPECT_EQ(0, std::memcmp(e, big.data(), static_cast<size_t>(n)));
  EXPECT_FALSE(GetRecBuf(f_, s, 0, e, n, 1, flavour(), msg_));
  EXPECT_EQ(msg_, "File record too long [GetLaheyRecA] [GetRecBuf]");
}

// A data record between two names with its trailing marker damaged: the old
// framing's skip passes over it unread, the new framing's checks it.
TEST_P(RecordsTest, SkipHeadAndADamagedTrailingMarker) {
  // Past the five records that the probe checks.
  std::vector<Bytes> records = {fixture::Name("AAAA"), fixture::Pattern(1), fixture::Pattern(2),
                                fixture::Pattern(3),   fixture::Pattern(5), fixture::Pattern(10)};
  const size_t trailAt = fixture::RecordBytes(dir_, flavour(), records).size() -
                         (flavour() == TFileFlavour::OldLahey ? 1 : 4);
  records.push_back(fixture::Name("BBBB"));
  fixture::MakeRecordFile(path_, flavour(), records);
  fixture::IncrementByte(path_, trailAt);
  Reopen();
  std::string name;
  bool found = false;
  ASSERT_TRUE(GetHead(f_, name, found, flavour(), msg_)) << msg_;
  EXPECT_EQ(name, "AAAA");
  if (flavour() == TFileFlavour::OldLahey) {
    ASSERT_TRUE(GetHead(f_, name, found, flavour(), msg_)) << msg_;
    EXPECT_TRUE(found);
    EXPECT_EQ(name, "BBBB");
  } else {
    EXPECT_FALSE(GetHead(f_, name, found, flavour(), msg_));
    EXPECT_EQ(msg_, "Bad RecLenCheck value [FujiChkRecLen] [SkipHead] [GetHead]");
  }
}

TEST_P(RecordsTest, SkipHeadInALargeFileReadsInPieces) {
  const Bytes huge = fixture::Pattern(3 * static_cast<size_t>(MaxHarBuf) + 17);
  Make({fixture::Name("AAAA"), fixture::Pattern(5), fixture::Pattern(6), fixture::Pattern(7),
        fixture::Pattern(8), huge, fixture::Name("BBBB")});
  for (const bool large : {true, false}) {
    Reopen();
    f_.Large = large;
    char name[4];
    bool found = false;
    ASSERT_TRUE(SkipHead(f_, name, found, flavour(), msg_)) << msg_;
    ASSERT_TRUE(SkipHead(f_, name, found, flavour(), msg_)) << msg_;
    EXPECT_TRUE(found);
    EXPECT_EQ(std::string(name, 4), "BBBB");
    // Cut inside the long record: never a clean end of the file.
    fixture::Truncate(path_, 2 * static_cast<size_t>(MaxHarBuf));
    Reopen();
    f_.Large = large;
    ASSERT_TRUE(SkipHead(f_, name, found, flavour(), msg_)) << msg_;
    EXPECT_FALSE(SkipHead(f_, name, found, flavour(), msg_));
    EXPECT_EQ(msg_, flavour() == TFileFlavour::OldLahey
                        ? "Unexpected end-of-file [SkipBytes] [SkipHead]"
                        : "Unexpected end-of-file [FileRead] [FujiChkRecLen] [SkipHead]");
    Make({fixture::Name("AAAA"), fixture::Pattern(5), fixture::Pattern(6), fixture::Pattern(7),
          fixture::Pattern(8), huge, fixture::Name("BBBB")});
  }
}

// Random record sequences through both writers and both readers.
TEST_P(RecordsTest, RandomRoundTrip) {
  const unsigned seed = 20261209u + static_cast<unsigned>(flavour());
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 gen(seed);
  auto rng = [&gen] { return static_cast<uint32_t>(gen()); };
  struct Rec {
    bool recBuf;
    int32_t strucSiz, sizElms;
    Bytes data;  // whole record data, head included for record buffers
  };
  std::vector<Rec> recs;
  TRecFile w;
  ASSERT_TRUE(CreateLaheyFile(w, path_, flavour(), msg_)) << msg_;
  ASSERT_TRUE(WriteLaheyRec(w, "HEAD", 4, flavour(), msg_));
  for (int i = 0; i < 300; ++i) {
    const uint32_t kind = rng() % 10;
    const size_t len = kind < 6 ? rng() % 80 : kind < 9 ? rng() % 20000 : rng() % 300000;
    Rec r{rng() % 2 == 0, 0, 1, Bytes(len)};
    for (auto& b : r.data) b = static_cast<uint8_t>(rng());
    if (r.recBuf) {
      r.sizElms = static_cast<int32_t>(1 + rng() % 8);
      r.strucSiz = static_cast<int32_t>(std::min<size_t>(rng() % 40, len));
      const int64_t nElms = static_cast<int64_t>(len - r.strucSiz) / r.sizElms;
      ASSERT_TRUE(WriteRecBuf(w, r.data.data(), r.strucSiz, r.data.data() + r.strucSiz, nElms,
                              r.sizElms, flavour(), msg_))
          << msg_;
      Bytes whole(static_cast<size_t>(LenHead + r.strucSiz + nElms * r.sizElms), ' ');
      std::copy(r.data.begin(),
                r.data.begin() + static_cast<std::ptrdiff_t>(whole.size() - LenHead),
                whole.begin() + LenHead);
      r.data = std::move(whole);
    } else {
      ASSERT_TRUE(WriteLaheyRec(w, r.data.data(), static_cast<int64_t>(len), flavour(), msg_))
          << msg_;
    }
    recs.push_back(std::move(r));
  }
  ASSERT_TRUE(FinishLaheyFile(w, msg_)) << msg_;
  Reopen();
  int32_t len = 0;
  ASSERT_TRUE(GetNextRec(f_, f_.Buf(), len, flavour(), msg_));
  for (size_t i = 0; i < recs.size(); ++i) {
    const Rec& r = recs[i];
    if (r.recBuf) {
      const uint8_t* s = nullptr;
      const uint8_t* e = nullptr;
      int32_t n = -1;
      ASSERT_TRUE(GetRecBuf(f_, s, r.strucSiz, e, n, r.sizElms, flavour(), msg_))
          << i << ": " << msg_;
      ASSERT_EQ(int64_t{LenHead} + r.strucSiz + int64_t{n} * r.sizElms,
                static_cast<int64_t>(r.data.size()))
          << i;
    } else {
      ASSERT_TRUE(GetNextRec(f_, f_.Buf(), len, flavour(), msg_)) << i << ": " << msg_;
      ASSERT_EQ(static_cast<size_t>(len), r.data.size()) << i;
    }
    ASSERT_TRUE(std::equal(r.data.begin(), r.data.end(), f_.Buf())) << i;
  }
  bool atEof = false;
  EXPECT_TRUE(GetLaheyRecA(f_, f_.Buf(), len, flavour(), atEof, msg_)) << msg_;
  EXPECT_TRUE(atEof);
}

// Reading a record's elements straight into the caller's memory gives what
// reading it in the file's buffer gives, faults and their texts included;
// only a record of exactly the wanted length goes there, and memory is left
// alone otherwise.
TEST_P(RecordsTest, GetRecBufIntoMatchesInPlace) {
  enum Damage { None, Cut, Trail };
  // Data length (blank head, 4-byte structure, elements), elements wanted.
  const std::tuple<size_t, int32_t, Damage> cases[] = {
      {8 + 4 * 3, 3, None},     {8 + 4 * 5, 3, None},  {8, 0, None},
      {8 + 4 * 2 + 1, 2, None}, {6, 0, None},          {8 + 4 * 3, 3, Cut},
      {8 + 4 * 3, 3, Trail},    {8 + 4 * 3, 4, Trail}, {8 + 4 * 900, 900, None}};
  for (const auto& [dataLen, wanted, damage] : cases) {
    SCOPED_TRACE(::testing::Message() << dataLen << " bytes, " << wanted << " wanted");
    // Five records first: detection reads no further, so a cut one is met
    // only by the reading under test.
    const Bytes name = fixture::Name("HEAD");
    Make({name, name, name, name, name, fixture::Pattern(dataLen, 5)});
    CloseLaheyFile(f_);
    const size_t size = fixture::ReadBytes(path_).size();
    if (damage == Cut) fixture::Truncate(path_, size - 6);
    if (damage == Trail) fixture::IncrementByte(path_, size - 1);
    // What a reading gives: result, text, count, structure and elements.
    const auto read = [&, wanted = wanted](bool into) {
      Reopen();
      std::string msg;
      int32_t len = 0;
      for (int i = 0; i < 5; ++i) EXPECT_TRUE(GetNextRec(f_, f_.Buf(), len, flavour(), msg));
      const uint8_t* s = nullptr;
      const uint8_t* e = nullptr;
      int32_t n = -1;
      Bytes dst(4 * static_cast<size_t>(wanted) + 1, 0xEE);
      bool went = false;
      const bool ok =
          into ? GetRecBufInto(f_, s, 4, dst.data(), wanted, went, e, n, 4, flavour(), msg)
               : GetRecBufInPlace(f_, s, 4, e, n, 4, flavour(), msg);
      EXPECT_EQ(went, into && ok && n == wanted);
      EXPECT_EQ(dst.back(), 0xEE);  // nothing past the wanted elements
      // A record of another length leaves the memory alone.
      if (into && ok && !went) {
        EXPECT_EQ(dst, Bytes(dst.size(), 0xEE));
      }
      // The pointers may lie in the file's buffer: taken before it closes.
      const uint8_t* from = went ? dst.data() : e;
      const std::string got = !ok ? msg
                                  : msg + "|" + std::to_string(n) + "|" + std::string(s, s + 4) +
                                        std::string(from, from + 4 * static_cast<size_t>(n));
      CloseLaheyFile(f_);
      return got;
    };
    EXPECT_EQ(read(true), read(false));
  }
}

INSTANTIATE_TEST_SUITE_P(BothFramings, RecordsTest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         [](const auto& p) {
                           return p.param == TFileFlavour::OldLahey ? "OldLahey" : "NewFujitsu";
                         });

}  // namespace
}  // namespace modrask
