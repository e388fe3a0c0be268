// Re-framing a run of records held in memory: the new markers and the data
// go out in gathered writes, and the bytes must be those our writer makes
// record by record, whatever the record lengths, the bytes already waiting
// in the buffer, and wherever a full disk stops the writing.
#include "modrask/records/reccopy.h"

#include <gtest/gtest.h>

#include "modrask/records/bytefile.h"
#include "records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;

// Lengths at which a marker of either framing changes width, empty records,
// records past the write buffer, and more small records than one batch.
std::vector<Bytes> MixedRecords() {
  std::vector<Bytes> records;
  unsigned seed = 1;
  for (size_t len : {0, 1, 62, 63, 64, 65, 16381, 16382, 16383, 16384, 65535, 65536, 200000})
    records.push_back(fixture::Pattern(len, seed++));
  records.push_back(fixture::Pattern(static_cast<size_t>(ByteFileBufSize + 5), seed++));
  for (int i = 0; i < 600; ++i)
    records.push_back(fixture::Pattern(static_cast<size_t>(i % 97), seed++));
  records.push_back(fixture::Pattern(70000, seed++));
  return records;
}

// The records alone, without what a file of the framing begins with.
Bytes RunBytes(const fixture::TempDir& dir, TFileFlavour flavour,
               const std::vector<Bytes>& records) {
  const Bytes file = fixture::RecordBytes(dir, flavour, records);
  const size_t start = fixture::RecordBytes(dir, flavour, {}).size();
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(start), file.end());
}

TFileFlavour OtherFlavour(TFileFlavour flavour) {
  return flavour == TFileFlavour::OldLahey ? TFileFlavour::NewFujitsu : TFileFlavour::OldLahey;
}

struct TReframed {
  bool ok = false;
  std::string msg;
  Bytes bytes;  // the finished output; empty when the run failed
};

// Writes a name record (left waiting in the buffer), then `run` (records of
// `from`) re-framed in `to`, and finishes the file. `failAfter` >= 0 fails
// the disk that many bytes into the run.
TReframed Reframe(const fixture::TempDir& dir, const Bytes& run, TFileFlavour from, TFileFlavour to,
                  int64_t failAfter = -1) {
  TReframed r;
  TRecFile f;
  const std::string path = dir.Path("reframed.har");
  TWriteFaults faults;
  EXPECT_TRUE(CreateLaheyFile(f, path, to, TWriteOptions{.Faults = &faults}, r.msg)) << r.msg;
  const Bytes name = fixture::Name("ABCD");
  EXPECT_TRUE(WriteLaheyRec(f, name.data(), 4, to, r.msg)) << r.msg;
  faults.BytesLeft = failAfter;
  r.ok = WriteRecordRun(f, to, run.data(), static_cast<int64_t>(run.size()), from, "in.har", r.msg);
  if (!r.ok) {
    AbandonLaheyFile(f);
    return r;
  }
  EXPECT_TRUE(FinishLaheyFile(f, r.msg)) << r.msg;
  r.bytes = fixture::ReadBytes(path);
  std::filesystem::remove(path);
  return r;
}

TEST(ReframeRun, GatheredWritesMatchTheRecordWriter) {
  fixture::TempDir dir;
  const std::vector<Bytes> records = MixedRecords();
  std::vector<Bytes> named = records;
  named.insert(named.begin(), fixture::Name("ABCD"));
  for (const TFileFlavour from : fixture::kFlavours) {
    const TFileFlavour to = OtherFlavour(from);
    const Bytes run = RunBytes(dir, from, records);
    const TReframed r = Reframe(dir, run, from, to);
    ASSERT_TRUE(r.ok) << r.msg;
    EXPECT_EQ(r.bytes, fixture::RecordBytes(dir, to, named)) << FlavourName(from);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{}) << "a temporary file was left";
  }
}

TEST(ReframeRun, FullDiskAtAnyPointFailsTheRun) {
  fixture::TempDir dir;
  const std::vector<Bytes> records = MixedRecords();
  const Bytes run = RunBytes(dir, TFileFlavour::OldLahey, records);
  const auto out = static_cast<int64_t>(RunBytes(dir, TFileFlavour::NewFujitsu, records).size());
  // The first byte, inside the first batch, inside the large record, inside
  // a later batch, the last byte; and one past the end, which must succeed.
  for (const int64_t at : {int64_t{0}, int64_t{70}, int64_t{400000}, out - 3000, out - 1, out}) {
    const TReframed r = Reframe(dir, run, TFileFlavour::OldLahey, TFileFlavour::NewFujitsu, at);
    EXPECT_EQ(r.ok, at >= out) << at;
    if (!r.ok) {
      EXPECT_EQ(r.msg, "cannot write to disk (probably no space) [CopyRecords]") << at;
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{}) << at;
  }
}

TEST(ReframeRun, BrokenRecordInTheRunIsAChangedInput) {
  fixture::TempDir dir;
  const std::vector<Bytes> records = MixedRecords();
  for (const TFileFlavour from : fixture::kFlavours) {
    const Bytes run = RunBytes(dir, from, records);
    // The trailing marker of the last record, then the run cut inside it.
    Bytes badTrail = run;
    ++badTrail.back();
    Bytes cut(run.begin(), run.end() - 2);
    for (const Bytes& bad : {badTrail, cut}) {
      const TReframed r = Reframe(dir, bad, from, OtherFlavour(from));
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(r.msg, "Input file changed while it was copied: in.har [CopyRecords]");
    }
  }
}

}  // namespace
}  // namespace modrask
