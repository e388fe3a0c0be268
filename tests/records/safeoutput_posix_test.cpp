// Safe output on POSIX hosts: the output may be the open input, permission
// bits and symbolic links are kept, and an interruption removes the
// temporary file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "records/safeoutput_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;

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
  while (GetLaheyRecA(in, in.Buf(), len, found, atEof, msg) && !atEof) {
    ASSERT_TRUE(WriteLaheyRec(out, in.Buf(), len, flavour(), msg)) << msg;
  }
  ASSERT_TRUE(atEof) << msg;
  ASSERT_TRUE(FinishLaheyFile(out, msg)) << msg;
  CloseLaheyFile(in);
  EXPECT_EQ(fixture::ReadBytes(out_), original);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});
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

TEST_P(SafeOutput, OutputTheUserMayNotWriteIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write a file of mode 444, as cp does";
  ASSERT_EQ(::chmod(out_.c_str(), 0444), 0);
  std::string msg;
  TRecFile f;
  EXPECT_FALSE(CreateLaheyFile(f, out_, flavour(), msg));
  EXPECT_EQ(msg, "Can't create file: " + out_ + " [CreateLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  ASSERT_EQ(::chmod(out_.c_str(), 0644), 0);
  ExpectUntouched();
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

INSTANTIATE_TEST_SUITE_P(BothFramings, SafeOutputDeathTest,
                         ::testing::Values(TFileFlavour::OldLahey, TFileFlavour::NewFujitsu),
                         kFramingNames);

}  // namespace
}  // namespace modrask
