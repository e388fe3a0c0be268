#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <filesystem>

#include "records/bytefile.h"
#include "records/records_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;
using fixture::TempDir;

class SafeOutput : public ::testing::TestWithParam<TFileFlavour> {
 protected:
  void SetUp() override { fixture::WriteBytes(out_, previous_); }
  void TearDown() override { ClearWriteFailure(); }

  TFileFlavour flavour() const { return GetParam(); }

  // The previous file is still there, byte for byte, and nothing else is.
  void ExpectUntouched() {
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
    EXPECT_EQ(fixture::ReadBytes(out_), previous_);
  }

  // Writes the sample records, stopping at the first failure.
  bool WriteSample(TRecFile& f, std::string& msg) {
    const Bytes s12 = fixture::Pattern(12, 4), e80 = fixture::Pattern(80, 6),
                d100 = fixture::Pattern(100, 8);
    return WriteLaheyRec(f, "HEAD", 4, flavour(), msg) &&
           WriteRecBuf(f, s12.data(), 12, e80.data(), 20, 4, flavour(), msg) &&
           WriteLaheyRec(f, d100.data(), 63, flavour(), msg) &&
           WriteLaheyRec(f, "NEXT", 4, flavour(), msg) &&
           WriteRecBuf(f, nullptr, 0, d100.data(), 0, 1, flavour(), msg) &&
           WriteLaheyRec(f, d100.data(), 100, flavour(), msg);
  }

  TempDir dir_;
  std::string out_ = dir_.Path("out.har");
  const Bytes previous_ = fixture::Pattern(333, 77);
};

TEST_P(SafeOutput, FinishReplacesAndAbandonLeavesThePreviousFile) {
  std::string msg;
  {
    TRecFile f;
    ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
    ASSERT_TRUE(WriteSample(f, msg)) << msg;
    EXPECT_EQ(dir_.Entries().size(), 2u);  // the temporary file beside it
    AbandonLaheyFile(f);
    EXPECT_FALSE(f.IsOpen());
  }
  ExpectUntouched();
  {
    TRecFile f;
    ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
    ASSERT_TRUE(WriteSample(f, msg)) << msg;
  }  // destroyed without Finish
  ExpectUntouched();
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
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
  ASSERT_TRUE(CreateLaheyFile(probe, out_, flavour(), msg)) << msg;
  ASSERT_TRUE(WriteSample(probe, msg)) << msg;
  const int64_t total = probe.File->Position();
  AbandonLaheyFile(probe);
  for (int64_t k = 0; k < total; ++k) {
    SCOPED_TRACE("failing after " + std::to_string(k) + " bytes");
    InjectWriteFailureAfter(k);
    TRecFile f;
    msg.clear();
    bool ok = CreateLaheyFile(f, out_, flavour(), msg);
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
  InjectWriteFailureAfter(total);
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
  EXPECT_TRUE(WriteSample(f, msg)) << msg;
  EXPECT_TRUE(FinishLaheyFile(f, msg)) << msg;
}

TEST_P(SafeOutput, SyncFailureAtFinish) {
  std::string msg;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
  ASSERT_TRUE(WriteSample(f, msg)) << msg;
  InjectSyncFailure();
  EXPECT_FALSE(FinishLaheyFile(f, msg));
  EXPECT_EQ(msg, "cannot write to disk (probably no space) [FinishLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  ExpectUntouched();
}

TEST_P(SafeOutput, RecordsTooLongForTheFramingAreRefused) {
  std::string msg;
  TRecFile f;
  ASSERT_TRUE(CreateLaheyFile(f, out_, flavour(), msg)) << msg;
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

TEST_P(SafeOutput, OutputMayBeTheInput) {
  std::string msg;
  fixture::MakeRecordFile(out_, flavour(),
                          {fixture::Name("AAAA"), fixture::Pattern(70), fixture::Name("BBBB")});
  const Bytes original = fixture::ReadBytes(out_);
  TRecFile in, out;
  TFileFlavour found;
  ASSERT_TRUE(OpenLaheyFile(in, out_, found, msg)) << msg;
  ASSERT_TRUE(CreateLaheyFile(out, out_, flavour(), msg)) << msg;
  int32_t len = 0;
  bool atEof = false;
  while (GetLaheyRecA(in, HarBuf(), len, found, atEof, msg) && !atEof) {
    ASSERT_TRUE(WriteLaheyRec(out, HarBuf(), len, flavour(), msg)) << msg;
  }
  ASSERT_TRUE(atEof) << msg;
  ASSERT_TRUE(FinishLaheyFile(out, msg)) << msg;
  CloseLaheyFile(in);
  EXPECT_EQ(fixture::ReadBytes(out_), original);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
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

TEST_P(SafeOutput, ModesAndLinks) {
  std::string msg;
  ASSERT_EQ(::chmod(out_.c_str(), 0640), 0);
  fixture::MakeRecordFile(out_, flavour(), {fixture::Name("AAAA")});
  struct stat st {};
  ASSERT_EQ(::stat(out_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // as truncating the old file would have left it

  const mode_t mask = ::umask(022);
  const std::string fresh = dir_.Path("fresh.har");
  fixture::MakeRecordFile(fresh, flavour(), {fixture::Name("AAAA")});
  ::umask(mask);
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  // Through a link, the file it points to is replaced and the link stays.
  const std::string link = dir_.Path("link.har");
  std::filesystem::create_symlink(fresh, link);
  fixture::MakeRecordFile(link, flavour(), {fixture::Name("LINK")});
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  const Bytes b = fixture::ReadBytes(fresh);
  ASSERT_GE(b.size(), 7u);
  EXPECT_EQ(std::string(b.end() - (flavour() == TFileFlavour::OldLahey ? 5 : 8),
                        b.end() - (flavour() == TFileFlavour::OldLahey ? 1 : 4)),
            "LINK");
}

using SafeOutputDeathTest = SafeOutput;

TEST_P(SafeOutputDeathTest, InterruptionRemovesTheTemporaryFile) {
  GTEST_FLAG_SET(death_test_style, "fast");  // the child must write into this test's folder
  for (const int sig : {SIGINT, SIGTERM}) {
    EXPECT_EXIT(
        {
          TRecFile f;
          std::string msg;
          if (!CreateLaheyFile(f, out_, flavour(), msg) || !WriteSample(f, msg)) std::_Exit(3);
          std::raise(sig);
          std::_Exit(4);
        },
        ::testing::ExitedWithCode(1), "");
    ExpectUntouched();
  }
}

const auto kNames = [](const auto& p) {
  return p.param == TFileFlavour::OldLahey ? "OldLahey" : "NewFujitsu";
};
INSTANTIATE_TEST_SUITE_P(BothFramings, SafeOutput,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         kNames);
INSTANTIATE_TEST_SUITE_P(BothFramings, SafeOutputDeathTest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         kNames);

}  // namespace
}  // namespace modrask
