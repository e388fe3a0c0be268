#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "modrask/records/bytefile.h"
#include "records/records_fixture.h"
#include "records/safeoutput_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;

TEST_P(SafeOutput, FinishReplacesAndAbandonLeavesThePreviousFile) {
  std::string msg;
  {
    TRecFile f;
    ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
    ASSERT_TRUE(WriteSample(f, msg)) << msg;
    EXPECT_EQ(dir_.Entries().size(), 2u);  // the temporary file beside it
    AbandonLaheyFile(f);
    EXPECT_FALSE(f.IsOpen());
  }
  ExpectUntouched();
  {
    TRecFile f;
    ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
    ASSERT_TRUE(WriteSample(f, msg)) << msg;
  }  // destroyed without Finish
  ExpectUntouched();
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(WriteSample(f, msg)) << msg;
  ASSERT_TRUE(FinishLaheyFile(f, msg)) << msg;
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
  TFileFlavour found;
  EXPECT_TRUE(IsWhichLaheyFile(out_, found, msg)) << msg;
  EXPECT_EQ(found, flavour());
}

// A write that fails at every byte of the file, record boundaries included.
TEST_P(SafeOutput, InjectedWriteFailureAtEveryByte) {
  std::string msg;
  TRecFile probe;
  ASSERT_TRUE(CreateLaheyFile(probe, out_, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(WriteSample(probe, msg)) << msg;
  const int64_t total = probe.File->Position();
  AbandonLaheyFile(probe);
  for (int64_t k = 0; k < total; ++k) {
    SCOPED_TRACE("failing after " + std::to_string(k) + " bytes");
    faults_.BytesLeft = k;
    TRecFile f;
    msg.clear();
    bool ok = CreateLaheyFile(f, out_, flavour(), faulty_, msg);
    if (!ok) {
      EXPECT_EQ(flavour(), TFileFlavour::OldLahey);
      EXPECT_EQ(k, 0);
      EXPECT_EQ(msg, "cannot write to disk (probably no space) [CreateLaheyFile]");
      EXPECT_FALSE(f.IsOpen());
    } else {
      EXPECT_FALSE(WriteSample(f, msg));
      EXPECT_TRUE(msg == "cannot write to disk (probably no space) [WriteLaheyRec]" ||
                  msg == "cannot write to disk (probably no space) [WriteRecBuf]")
          << msg;
      EXPECT_FALSE(FinishLaheyFile(f, msg));  // a failed file cannot be finished
      EXPECT_EQ(msg, "cannot write to disk (probably no space) [FinishLaheyFile]");
    }
    ExpectUntouched();
  }
  faults_.BytesLeft = total;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
  EXPECT_TRUE(WriteSample(f, msg)) << msg;
  EXPECT_TRUE(FinishLaheyFile(f, msg)) << msg;
}

TEST_P(SafeOutput, SyncFailureAtFinish) {
  std::string msg;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(WriteSample(f, msg)) << msg;
  faults_.FailNextSync = true;
  EXPECT_FALSE(FinishLaheyFile(f, msg));
  EXPECT_EQ(msg, "cannot write to disk (probably no space) [FinishLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  ExpectUntouched();
}

// Only a file that replaces another is synced before it takes the name: a
// new name is taken at once, so a failing sync cannot stop it, and the next
// replacement still meets the failure.
TEST_P(SafeOutput, OnlyAReplacementWaitsForTheDisk) {
  std::string msg;
  TRecFile f;
  const std::string fresh = dir_.Path("new.har");
  faults_.FailNextSync = true;
  ASSERT_TRUE(CreateLaheyFile(f, fresh, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(WriteSample(f, msg)) << msg;
  EXPECT_TRUE(FinishLaheyFile(f, msg)) << msg;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(WriteSample(f, msg)) << msg;
  EXPECT_FALSE(FinishLaheyFile(f, msg));
  EXPECT_EQ(fixture::ReadBytes(out_), previous_);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"new.har", "out.har"}));
}

// Faults belong to the files made with their options: another file written
// at the same time, and replacing a file too, fails neither write nor sync.
TEST_P(SafeOutput, InjectedFailuresStayWithTheirFiles) {
  std::string msg;
  const std::string other = dir_.Path("other.har");
  fixture::WriteBytes(other, previous_);
  TRecFile faulty, sound;
  ASSERT_TRUE(CreateLaheyFile(faulty, out_, flavour(), faulty_, msg)) << msg;
  ASSERT_TRUE(CreateLaheyFile(sound, other, flavour(), msg)) << msg;
  faults_.BytesLeft = 10;
  faults_.FailNextSync = true;
  EXPECT_TRUE(WriteSample(sound, msg)) << msg;
  EXPECT_FALSE(WriteSample(faulty, msg));
  EXPECT_TRUE(FinishLaheyFile(sound, msg)) << msg;
  EXPECT_FALSE(FinishLaheyFile(faulty, msg));
  EXPECT_EQ(fixture::ReadBytes(out_), previous_);
  EXPECT_NE(fixture::ReadBytes(other), previous_);
  EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"other.har", "out.har"}));
}

TEST_P(SafeOutput, RecordsTooLongForTheFramingAreRefused) {
  std::string msg;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), faulty_, msg)) << msg;
  const uint8_t byte = 0;
  // The length is refused before any data byte is touched.
  if (flavour() == TFileFlavour::OldLahey) {
    EXPECT_FALSE(WriteLaheyRec(f, &byte, MaxLaheyLen - 3, flavour(), msg));
    EXPECT_EQ(msg, "Record too long for Old Lahey framing: 1073741820 [WriteLaheyRec]");
    EXPECT_FALSE(WriteRecBuf(f, &byte, 0, &byte, MaxLaheyLen - 7, 1, flavour(), msg));
    EXPECT_EQ(msg, "Record too long for Old Lahey framing: 1073741820 [WriteRecBuf]");
  } else {
    EXPECT_FALSE(WriteLaheyRec(f, &byte, int64_t{INT32_MAX} + 1, flavour(), msg));
    EXPECT_EQ(msg, "Record too long for New Fujitsu framing: 2147483648 [WriteLaheyRec]");
    EXPECT_FALSE(WriteRecBuf(f, &byte, 0, &byte, INT32_MAX - 3, 1, flavour(), msg));
    EXPECT_EQ(msg, "Record too long for New Fujitsu framing: 2147483648 [WriteRecBuf]");
  }
  EXPECT_FALSE(WriteRecBuf(f, &byte, 0, &byte, INT64_MAX / 2, 4, flavour(), msg));
  EXPECT_EQ(msg, std::string("Record too long for ") + FlavourName(flavour()) +
                     " framing: 4611686018427387903 elements of 4 bytes [WriteRecBuf]");
  EXPECT_FALSE(WriteLaheyRec(f, &byte, -1, flavour(), msg));
  EXPECT_EQ(msg, "Negative record length: -1 [WriteLaheyRec]");
  ASSERT_TRUE(FinishLaheyFile(f, msg)) << msg;
  EXPECT_EQ(fixture::ReadBytes(out_), flavour() == TFileFlavour::OldLahey ? Bytes{0xFD} : Bytes{});
}

TEST_P(SafeOutput, CannotCreate) {
  std::string msg;
  TRecFile f;
  const std::string missing = dir_.Path("no_such_folder/out.har");
  EXPECT_FALSE(CreateLaheyFile(f, missing, flavour(), msg));
  EXPECT_EQ(msg, "Can't create file: " + missing + " [CreateLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(CreateLaheyFile(f, dir_.Root(), flavour(), msg));  // a folder is in the way
  EXPECT_EQ(msg, "Can't create file: " + dir_.Root() + " [CreateLaheyFile]");
  ExpectUntouched();
}

INSTANTIATE_TEST_SUITE_P(BothFramings, SafeOutput,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         kFramingNames);

}  // namespace
}  // namespace modrask
