#include <gtest/gtest.h>

#include "records/records_fixture.h"
#include "modrask/support/coding.h"

namespace modrask {
namespace {

using fixture::Bytes;
using fixture::TempDir;

Bytes Fuji(int32_t len) {
  Bytes b(4);
  EncodeInt32(b.data(), len);
  return b;
}

struct Probe {
  bool ok;
  TFileFlavour flavour;
  std::string msg;
};

Probe ProbeBytes(const TempDir& dir, const Bytes& bytes) {
  const std::string path = dir.Path("probe.har");
  fixture::WriteBytes(path, bytes);
  Probe p{false, TFileFlavour::OldLahey, "unset"};
  p.ok = IsWhichLaheyFile(path, p.flavour, p.msg);
  return p;
}

TEST(Detect, EmptyAndMissing) {
  TempDir dir;
  const std::string path = dir.Path("empty.har");
  fixture::WriteBytes(path, {});
  TFileFlavour flavour;
  std::string msg;
  EXPECT_FALSE(IsWhichLaheyFile(path, flavour, msg));
  EXPECT_EQ(msg, "Empty file:" + path + " [IsWhichLaheyFile]");
  EXPECT_FALSE(IsLaheyFile(dir.Path("none.har"), msg));
  EXPECT_EQ(msg, "No such file:" + dir.Path("none.har") + " [IsWhichLaheyFile]");
  TRecFile f;
  EXPECT_FALSE(OpenLaheyFile(f, dir.Path("none.har"), flavour, msg));
  EXPECT_EQ(msg, "No such file:" + dir.Path("none.har") + " [IsWhichLaheyFile] [OpenLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  // A folder is not a file to read.
  EXPECT_FALSE(IsLaheyFile(dir.Root(), msg));
  EXPECT_EQ(msg, "No such file:" + dir.Root() + " [IsWhichLaheyFile]");
}

TEST(Detect, SingleLeadByteGivesTheFullChain) {
  TempDir dir;
  const std::string path = dir.Path("fd.har");
  fixture::WriteBytes(path, {0xFD});
  TRecFile f;
  TFileFlavour flavour;
  std::string msg;
  EXPECT_FALSE(OpenLaheyFile(f, path, flavour, msg));
  EXPECT_EQ(msg,
            "Unexpected end-of-file [FileRead] [FujiGetRecLen] [IsWhichLaheyFile] [OpenLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
}

TEST(Detect, OneRecordFilesOfEachFlavour) {
  TempDir dir;
  Probe p = ProbeBytes(dir, {4, 0, 0, 0, 'A', 'B', 'C', 'D', 4, 0, 0, 0});
  EXPECT_TRUE(p.ok) << p.msg;
  EXPECT_EQ(p.flavour, TFileFlavour::NewFujitsu);
  p = ProbeBytes(dir, {0xFD, 0x10, 'A', 'B', 'C', 'D', 0x14});
  EXPECT_TRUE(p.ok) << p.msg;
  EXPECT_EQ(p.flavour, TFileFlavour::OldLahey);
}

TEST(Detect, FirstRecordRules) {
  TempDir dir;
  Bytes eight = Fuji(8);
  for (int i = 0; i < 8; ++i) eight.push_back('x');
  const Bytes tail = Fuji(8);
  eight.insert(eight.end(), tail.begin(), tail.end());
  Probe p = ProbeBytes(dir, eight);
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.msg, "First record not length 4 [IsWhichLaheyFile]");
  // The length limit is tested before the first-record rule.
  p = ProbeBytes(dir, Fuji(MaxHarBuf + 1));
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.msg, "File record too long [IsWhichLaheyFile]");
  p = ProbeBytes(dir, Fuji(-1));
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.msg, "RecLen<0 [FujiGetRecLen] [IsWhichLaheyFile]");
}

TEST(Detect, LaterRecordAtTheLimitPassesAndOneMoreFails) {
  TempDir dir;
  for (const TFileFlavour flavour : fixture::kFlavours) {
    const std::string path = dir.Path("big.har");
    fixture::MakeRecordFile(path, flavour, {fixture::Name("HEAD"), fixture::Pattern(MaxHarBuf)});
    TFileFlavour found;
    std::string msg;
    EXPECT_TRUE(IsWhichLaheyFile(path, found, msg)) << msg;
    EXPECT_EQ(found, flavour);
    fixture::MakeRecordFile(path, flavour,
                            {fixture::Name("HEAD"), fixture::Pattern(MaxHarBuf + 1)});
    EXPECT_FALSE(IsWhichLaheyFile(path, found, msg));
    EXPECT_EQ(msg, "File record too long [IsWhichLaheyFile]");
  }
}

TEST(Detect, AbandonedOldLaheyProbeExplainsWithTheNewFujitsuOne) {
  TempDir dir;
  // Lead byte, then a 4-byte record whose trailing marker is wrong: read as
  // New Fujitsu, FD 10 41 42 is a length far beyond the limit.
  const Probe p = ProbeBytes(dir, {0xFD, 0x10, 'A', 'B', 'C', 'D', 0x18});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.msg, "File record too long [IsWhichLaheyFile]");
  // New Fujitsu trailing length differs.
  const Probe q = ProbeBytes(dir, {4, 0, 0, 0, 'A', 'B', 'C', 'D', 5, 0, 0, 0});
  EXPECT_FALSE(q.ok);
  EXPECT_EQ(q.msg, "Bad RecLenCheck value [FujiChkRecLen] [IsWhichLaheyFile]");
}

TEST(Detect, FiveRecordsAreEnough) {
  TempDir dir;
  // Five good records, then rubbish the probe never reaches.
  Bytes b = fixture::RecordBytes(dir, TFileFlavour::NewFujitsu,
                                 {fixture::Name("AAAA"), fixture::Pattern(10), fixture::Pattern(0),
                                  fixture::Pattern(3), fixture::Pattern(70)});
  b.push_back(0xFF);
  const Probe p = ProbeBytes(dir, b);
  EXPECT_TRUE(p.ok) << p.msg;
  EXPECT_EQ(p.flavour, TFileFlavour::NewFujitsu);
}

TEST(Open, PositionsAtTheFirstRecordAndSetsLarge) {
  TempDir dir;
  for (const TFileFlavour flavour : fixture::kFlavours) {
    const std::string path = dir.Path("open.har");
    fixture::MakeRecordFile(path, flavour, {fixture::Name("ABCD")});
    TRecFile f;
    TFileFlavour found;
    std::string msg;
    ASSERT_TRUE(OpenLaheyFile(f, path, found, msg)) << msg;
    EXPECT_EQ(found, flavour);
    EXPECT_FALSE(f.Large);
    int32_t len = 0;
    ASSERT_TRUE(GetNextRec(f, f.Buf(), len, found, msg)) << msg;
    EXPECT_EQ(len, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(f.Buf()), 4), "ABCD");
    CloseLaheyFile(f);
    EXPECT_FALSE(f.IsOpen());
  }
}

// A sparse file just at the size that makes it Large; the probe reads only
// its first records.
TEST(Open, LargeFromTheSizeInWholeKiB) {
  TempDir dir;
  const std::string path = dir.Path("large.har");
  for (const int64_t size : {int64_t{LargeFileKB} * 1024 - 1, int64_t{LargeFileKB} * 1024}) {
    fixture::MakeRecordFile(path, TFileFlavour::NewFujitsu, {fixture::Name("ABCD")});
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
    TRecFile f;
    TFileFlavour found;
    std::string msg;
    ASSERT_TRUE(OpenLaheyFile(f, path, found, msg)) << msg;
    EXPECT_EQ(f.Large, size == int64_t{2147482624}) << size;
    char name[4];
    bool more = false;
    ASSERT_TRUE(SkipHead(f, name, more, found, msg)) << msg;
    EXPECT_EQ(std::string(name, 4), "ABCD");
    CloseLaheyFile(f);
  }
}

TEST(Create, LeadByteOnlyForOldLahey) {
  TempDir dir;
  for (const TFileFlavour flavour : fixture::kFlavours) {
    const std::string path = dir.Path("new.har");
    fixture::MakeRecordFile(path, flavour, {});
    EXPECT_EQ(fixture::ReadBytes(path), flavour == TFileFlavour::OldLahey ? Bytes{0xFD} : Bytes{});
  }
  EXPECT_STREQ(FlavourName(TFileFlavour::OldLahey), "Old Lahey");
  EXPECT_STREQ(FlavourName(TFileFlavour::NewFujitsu), "New Fujitsu");
  EXPECT_EQ(std::string(BlankHead), "    ");
}

}  // namespace
}  // namespace modrask
