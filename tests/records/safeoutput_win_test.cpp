// Safe output on Windows: a file that is open cannot be replaced, so an
// output that is the open input fails at the end and leaves the input whole;
// a read-only output is refused at once.
#include <gtest/gtest.h>
#include <windows.h>

#include "records/safeoutput_fixture.h"

namespace modrask {
namespace {

using fixture::Bytes;

TEST_P(SafeOutput, OutputThatIsTheOpenInputFailsAndKeepsTheInput) {
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
  EXPECT_FALSE(FinishLaheyFile(out, msg));
  EXPECT_EQ(msg, "cannot write to disk (probably no space) [FinishLaheyFile]");
  CloseLaheyFile(in);
  EXPECT_EQ(fixture::ReadBytes(out_), original);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"out.har"});  // no temporary file left
}

TEST_P(SafeOutput, ReadOnlyOutputIsRefused) {
  ASSERT_TRUE(SetFileAttributesA(out_.c_str(), FILE_ATTRIBUTE_READONLY));
  std::string msg;
  TRecFile f;
  EXPECT_FALSE(CreateLaheyFile(f, out_, flavour(), msg));
  EXPECT_EQ(msg, "Can't create file: " + out_ + " [CreateLaheyFile]");
  EXPECT_FALSE(f.IsOpen());
  ASSERT_TRUE(SetFileAttributesA(out_.c_str(), FILE_ATTRIBUTE_NORMAL));
  ExpectUntouched();
}

}  // namespace
}  // namespace modrask
