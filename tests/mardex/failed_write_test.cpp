// A run whose output cannot be written: at every record boundary of the new
// file (and inside a record marker) the write fails as a full disk would,
// and nothing is lost: no temporary file stays, an existing output, also the
// input itself, keeps every byte.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "modrask/har/harwrite.h"
#include "mardex/mardex_fixture.h"
#include "mardex/rename_run.h"
#include "modrask/records/bytefile.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "Error: cannot write to disk (probably no space) [";

// The offsets at which the records of a New Fujitsu file begin (its end
// included).
std::vector<int64_t> RecordStarts(const std::string& file) {
  std::vector<int64_t> starts;
  size_t pos = 0;
  while (pos + 4 <= file.size()) {
    starts.push_back(static_cast<int64_t>(pos));
    uint32_t len = 0;
    std::memcpy(&len, file.data() + pos, 4);
    pos += 8 + len;
  }
  EXPECT_EQ(pos, file.size()) << "the framing of the new file";
  starts.push_back(static_cast<int64_t>(file.size()));
  return starts;
}

bool ErrorLineSaysNoSpace(const std::string& out) {
  for (const std::string& line : test::Lines(out)) {
    if (line.rfind(kNoSpace, 0) == 0 && line.ends_with("[WriteHarFile]")) return true;
  }
  return false;
}

class FailedWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    in_ = dir_.File("in.har");
    test::StandardFile(TFileFlavour::OldLahey).Save(in_);
    input_ = test::ReadFileBytes(in_);
    // The new file as a sound run writes it.
    const std::string probe = dir_.File("probe.har");
    std::ostringstream out;
    ASSERT_EQ(RunMardex({in_, probe, "REG", "ZONE"}, out), 0) << out.str();
    const std::string written = test::ReadFileBytes(probe);
    std::filesystem::remove(probe);
    for (const int64_t s : RecordStarts(written)) {
      points_.push_back(s);
      if (s + 2 < static_cast<int64_t>(written.size())) points_.push_back(s + 2);
    }
    points_.pop_back();  // the end itself: there the write succeeds
    size_ = static_cast<int64_t>(written.size());
  }

  // Runs with the write failing after each point in turn; `expected` are
  // the folder's entries and `keep` a file that must keep `bytes`.
  void FailEverywhere(const std::string& outFile, const std::string& keep,
                      const std::string& bytes) {
    const std::vector<std::string> before = dir_.Entries();
    ASSERT_GT(points_.size(), 20u);
    for (const int64_t k : points_) {
      SCOPED_TRACE("failing after " + std::to_string(k) + " of " + std::to_string(size_));
      TWriteFaults faults{.BytesLeft = k};
      TMardexOptions options;
      options.Write.Faults = &faults;
      std::ostringstream out;
      EXPECT_EQ(RunMardex({in_, outFile, "REG", "ZONE"}, options, out), 1);
      EXPECT_TRUE(ErrorLineSaysNoSpace(out.str())) << out.str();
      EXPECT_EQ(dir_.Entries(), before);
      EXPECT_EQ(test::ReadFileBytes(keep), bytes);
      EXPECT_EQ(test::ReadFileBytes(in_), input_);
    }
  }

  test::TTempDir dir_;
  std::string in_;
  std::string input_;
  std::vector<int64_t> points_;
  int64_t size_ = 0;
};

TEST_F(FailedWrite, NewOutputIsNotLeftBehind) {
  FailEverywhere(dir_.File("new.har"), in_, input_);
}

TEST_F(FailedWrite, ExistingOutputKeepsItsBytes) {
  const std::string old = dir_.File("old.har");
  test::WriteFileBytes(old, "an earlier output\n");
  FailEverywhere(old, old, "an earlier output\n");
}

TEST_F(FailedWrite, OutputThatIsTheInputKeepsItsBytes) {
  FailEverywhere(in_, in_, input_);
}

}  // namespace
}  // namespace modrask
